#include "CliCommands.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <sstream>

#include "SimulatedProgrammer.h"

#ifndef GANTREL_VERSION
#define GANTREL_VERSION "unknown"
#endif

namespace gantrel {
namespace {

constexpr const char* kGeneralAbout =
    "Checks, rewrites and compares JEDEC fuse-map files for the ATF22LV10C, and programs the\n"
    "chip through the USB programmer (HID 04D8:003F).";

constexpr const char* kGeneralFooter =
    "'gantrel-cli COMMAND --help' shows a command's help. A FILE (or --simulate-chip\n"
    "FILE) of '-' is standard input, once per run, and -o - is standard output.\n"
    "\n"
    "Exit status: 0 all well; 1 a file is bad, an exchange failed or the chip differs;\n"
    "2 usage error, or a file that cannot be read or written; 3 no programmer.\n"
    "With several files the highest status applies.";

constexpr const char* kFileCommands = "File commands";
constexpr const char* kDeviceCommands =
    "Device commands (each also takes --reconnected, --simulate, --simulate-chip\n"
    "FILE.jed and --simulate-fault FAULT)";

constexpr const char* kDeviceFooter =
    "--simulate-chip implies --simulate too. Without --simulate the first USB HID device\n"
    "04D8:003F is used; progress is shown on stderr when it is a terminal.\n"
    "\n"
    "Exit status: 0 done; 1 the exchange failed, the chip differs or the file fails its\n"
    "check; 2 usage error or a file that cannot be read or written; 3 no programmer\n"
    "(none found, or found but not opened).";

constexpr const char* kFrameHelp =
    "frame the text with STX, ETX and the transmission\n"
    "checksum, as the window saves it";
constexpr const char* kOutputHelp =
    "write to OUT instead of stdout: a file is\n"
    "replaced only once the new one is wholly written,\n"
    "a FIFO or device written into";
constexpr const char* kForceUseHelp =
    "use a file with a checksum mismatch, for another\n"
    "device or that sets only part of the fuses (the\n"
    "rest taken as 0) anyway; a syntax error or a file\n"
    "without fuses is always refused";

// One option of a command: its names as CLI11 takes them ("-o,--output"), the name of its value
// (none for a flag) and its help.
struct CliOption {
  const char* Names;
  const char* ValueName;
  const char* Help;
};

// Every command: its one-line summary, its operands ("FILE..." takes one or more), its options,
// the prose of its help, and what runs it.
struct CliCommand {
  const char* Name;
  const char* Summary;
  std::vector<const char*> Operands;
  std::vector<CliOption> Options;
  bool Device;  // takes the programmer options too
  const char* Footer;
  int (*Run)(const CliCall&);
};

const std::vector<CliCommand>& Commands() {
  static const std::vector<CliCommand> commands = {
      {"check",
       "check each FILE as the window loads it",
       {"FILE..."},
       {{"--json", nullptr,
         "print a JSON array instead, one object per file\n"
         "with the keys file, status (io-error,\n"
         "syntax-error, checksum-mismatch, other-device,\n"
         "no-fuses, partial, ok), result, length, line,\n"
         "column, qp, qf (0 when absent), qp_declared,\n"
         "qf_declared (whether the file gives the count;\n"
         "QF0 names another device), given_checksum,\n"
         "computed_checksum, fuse_checksum (over fuses\n"
         "0-5891), fuses_set (how many of the map's fuses\n"
         "the file sets; null when it was not read to its\n"
         "end), transmission (absent, ok, line-endings,\n"
         "mismatch) and message"}},
       false,
       "Loads each FILE as the window does (the whole file, STX/ETX frame removed, read into a\n"
       "fuse map that starts all 0; a fuse checksum mismatch counts as rejected) and prints one\n"
       "verdict per file on stdout:\n"
       "  FILE: ok: N fuses, checksum XXXX\n"
       "  FILE:LINE:COLUMN: syntax error: found 'x', expected ...\n"
       "  FILE: checksum mismatch: given XXXX, computed YYYY over QFn fuses\n"
       "  FILE: for another device: QFn (not 5828, 5892 or 5893) / QPn (not 24 or 28)\n"
       "  FILE: no fuses: the text has no F field and no fuse digit in an L field\n"
       "  FILE: partial: no F field, and the L fields set N of the 5892 fuses\n"
       "    (of the 5828 for QF5828: a file without an F field must list every fuse)\n"
       "then one line on the file's transmission checksum (absent, ok, right only with the\n"
       "line endings converted, or wrong). LINE counts LF bytes from the file's first byte\n"
       "plus 1, COLUMN the bytes since the last LF plus 1. A file that cannot be read is\n"
       "reported on stderr. File names are taken as bytes; in JSON each sequence of bytes\n"
       "that is not UTF-8 becomes U+FFFD.\n"
       "\n"
       "Exit status: 0 every file ok; 1 a file is bad (a transmission checksum alone does\n"
       "not count); 2 usage error or a file that cannot be read. The highest applies.",
       RunCheck},
      {"jedec",
       "FILE's fuses as this tool writes them",
       {"FILE"},
       {{"-o,--output", "OUT", kOutputHelp},
        {"--frame", nullptr, kFrameHelp},
        {"--force", nullptr,
         "write a file with a checksum mismatch, for\n"
         "another device or that sets only part of the\n"
         "fuses (the rest taken as 0) anyway; a syntax\n"
         "error or a file without fuses is always refused"}},
       false,
       "Writes the JEDEC text that this tool makes for the fuses FILE yields, loaded as\n"
       "'check' loads it: a canonical form of the file.\n"
       "\n"
       "The header carries the local time, or SOURCE_DATE_EPOCH (seconds since 1970, taken\n"
       "in UTC) when that is set, for reproducible output.\n"
       "\n"
       "Exit status: 0 written; 1 FILE fails its check; 2 usage error, a bad\n"
       "SOURCE_DATE_EPOCH, or a file that cannot be read or written.",
       RunJedec},
      {"diff",
       "compare A and B fuse by fuse, by meaning",
       {"A", "B"},
       {{"--json", nullptr,
         "print one JSON object instead: differing,\n"
         "compared, equations_differ (pins as strings,\n"
         "\"ar\", \"sp\") and fuses, one object per differing\n"
         "fuse with fuse, address, part (ar, oe, term, sp,\n"
         "s0, s1, ues), pin, term, input, a, b"}},
       false,
       "Compares fuses 0-5891 that files A and B yield (each loaded as 'check' loads it)\n"
       "and names each difference by its meaning in the 22V10 map.\n"
       "Prints a summary, then one line for each output pin (and AR, SP) whose equation\n"
       "differs, or a line saying that the equations agree; then each differing fuse:\n"
       "  fuse 1234 (L1232): pin 21 term 7, input 23: connected in A, open in B\n"
       "  fuse 5811: pin 22 S1: registered in A, combinatorial in B\n"
       "  fuse 5830: UES: 1 in A, 0 in B\n"
       "A file that fails its check is not compared: its verdict is reported on stderr.\n"
       "\n"
       "Exit status: 0 the fuses agree; 1 they differ or a file fails its check; 2 usage\n"
       "error or a file that cannot be read.",
       RunDiff},
      {"explain",
       "show the logic the fuses of FILE hold",
       {"FILE"},
       {{"--json", nullptr,
         "print one JSON object: olmc (by pin: mode,\n"
         "polarity, feedback, oe, terms), ar, sp, ues; a\n"
         "term is a list of literals (\"5\", \"/5\"), []\n"
         "always true, null always false (in the text, VCC\n"
         "and GND)"},
        {"--force", nullptr,
         "explain a file with a checksum mismatch, or that\n"
         "sets only part of the fuses (the rest taken as\n"
         "0), anyway; a syntax error, a file without fuses\n"
         "or a fuse count of another device is always\n"
         "refused"}},
       false,
       "Loads FILE as 'check' does and shows the logic its fuses hold in the 22V10 map: for\n"
       "each output pin its mode, polarity, output enable and equation (:= registered,\n"
       "= combinatorial, * AND, + OR, / NOT), then the AR and SP terms and the UES in hex.\n"
       "A file for the 28-pin PLCC package (QP28) is shown with the DIP pin numbers.\n"
       "\n"
       "Exit status: 0 shown; 1 FILE fails its check; 2 usage error or a file that cannot\n"
       "be read.",
       RunExplain},
      {"pes",
       "print the chip's electronic signature",
       {},
       {},
       true,
       "Prints the chip's 9-character electronic signature. An empty signature (the\n"
       "programmer answered zeros, as with no chip in the socket) is an error.",
       RunDeviceCommand},
      {"read",
       "read the chip's fuses as a JEDEC text",
       {},
       {{"-o,--output", "OUT", kOutputHelp}, {"--frame", nullptr, kFrameHelp}},
       true,
       "The header carries the local time, or SOURCE_DATE_EPOCH in UTC when that is set.",
       RunDeviceCommand},
      {"program",
       "burn FILE into the chip and verify it",
       {"FILE"},
       {{"--force", nullptr, kForceUseHelp}, {"--no-verify", nullptr, "skip the read-back"}},
       true,
       "Checks FILE as 'check' does, uploads its fuses, has the programmer burn them, then\n"
       "reads the chip back and compares fuses 0-5891 with FILE. On a difference it prints\n"
       "how many fuses differ and the first 10 with their L row address. When the burn\n"
       "command gets no answer within 20 s, whether the chip was burned is unknown.",
       RunDeviceCommand},
      {"verify",
       "read the chip and compare it with FILE",
       {"FILE"},
       {{"--force", nullptr, kForceUseHelp}},
       true,
       "Reads the chip and compares fuses 0-5891 with FILE (checked as 'check' does). On a\n"
       "difference it prints how many fuses differ and the first 10 with their L row\n"
       "address.",
       RunDeviceCommand},
  };
  return commands;
}

// The programmer options that every device command takes.
const std::vector<CliOption>& DeviceOptions() {
  static const std::vector<CliOption> options = {
      {"--reconnected", nullptr,
       "the programmer was unplugged and plugged in again\n"
       "since an earlier run broke off an exchange with it"},
      {"--simulate", nullptr, "talk to a simulated programmer instead of the USB\none"},
      {"--simulate-chip", "FILE.jed", "preload the simulated chip with the fuses of\nFILE.jed"},
      {"--simulate-fault", "FAULT",
       "make the simulated programmer fail (implies\n--simulate); FAULT below"},
  };
  return options;
}

// The fault language, moved from under an option's description to the left margin.
std::string FaultLanguage() {
  std::string text = "FAULT for --simulate-fault:\n";
  const std::string_view help = kSimulatedFaultsHelp;
  for (std::size_t at = 0; at < help.size();) {
    const std::size_t end = std::min(help.find('\n', at), help.size());
    const std::string_view line = help.substr(at, end - at);
    const std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
    text += std::string(indent > 26 ? indent - 26 : 0, ' ');
    text += line.substr(indent);
    if (end + 1 < help.size()) text += '\n';
    at = end + 1;
  }
  return text;
}

// A command as the general help lists it: "jedec [-o OUT] [--frame] [--force] FILE".
std::string Synopsis(const CliCommand& command) {
  std::string text = command.Name;
  for (const CliOption& option : command.Options) {
    const std::string_view names = option.Names;
    text += " [" + std::string(names.substr(0, names.find(',')));
    if (option.ValueName != nullptr) text += std::string(" ") + option.ValueName;
    text += "]";
  }
  for (const char* operand : command.Operands) text += std::string(" ") + operand;
  return text;
}

// The general help lists each command with its synopsis.
class CommandListFormatter : public CLI::Formatter {
 public:
  CommandListFormatter() { column_width(39); }
  std::string make_subcommand(const CLI::App* sub) const override {
    std::ostringstream out;
    const auto command =
        std::find_if(Commands().begin(), Commands().end(),
                     [&](const CliCommand& c) { return sub->get_name() == c.Name; });
    CLI::detail::format_help(out, Synopsis(*command), sub->get_description(), get_column_width());
    return out.str();
  }
};

// A parsed command's words, collected as the commands read them.
struct ParsedCommand {
  const CliCommand* Command = nullptr;
  CLI::App* App = nullptr;
  std::vector<std::string> Operands;
  std::map<std::string, std::string> Values;
};

void AddOption(CLI::App& app, const CliOption& option, std::map<std::string, std::string>& values,
               const std::string& help) {
  if (option.ValueName == nullptr) {
    app.add_flag(option.Names, help)->disable_flag_override();
    return;
  }
  app.add_option(option.Names, values[option.Names], help)
      ->type_name(option.ValueName)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CommandLine CollectLine(const ParsedCommand& parsed) {
  CommandLine line;
  line.OperandList = parsed.Operands;
  std::vector<CliOption> options = parsed.Command->Options;
  if (parsed.Command->Device)
    options.insert(options.end(), DeviceOptions().begin(), DeviceOptions().end());
  for (const CliOption& option : options) {
    if (parsed.App->count(CLI::detail::split(option.Names, ',').back()) == 0) continue;
    for (const std::string& name : CLI::detail::split(option.Names, ',')) {
      if (option.ValueName == nullptr) {
        line.Flags.insert(name);
      } else {
        line.Values[name] = parsed.Values.at(option.Names);
      }
    }
  }
  return line;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, const CliEnvironment& env) {
  // "help" stands for --help, as a command of its own.
  std::vector<std::string> words = args;
  if (!words.empty() && words.front() == "help") words.front() = "--help";
  const auto named = std::find_if(Commands().begin(), Commands().end(), [&](const CliCommand& c) {
    return !words.empty() && words.front() == c.Name;
  });
  if (words.empty()) {
    err << "gantrel-cli: no command given\nTry 'gantrel-cli --help'.\n";
    return kExitUsage;
  }
  if (words.front().rfind('-', 0) != 0 && named == Commands().end()) {
    err << "gantrel-cli: unknown command '" << words.front() << "'\nTry 'gantrel-cli --help'.\n";
    return kExitUsage;
  }
  CLI::App app(kGeneralAbout, "gantrel-cli");
  app.formatter(std::make_shared<CommandListFormatter>());
  app.footer(kGeneralFooter);
  app.set_version_flag("--version", "gantrel-cli " GANTREL_VERSION);
  app.require_subcommand(1, 1);

  // Only the command named is built whole: setting up all of them would cost more than the run
  // of most. The others are listed, for the general help.
  std::vector<ParsedCommand> parsed(Commands().size());
  for (std::size_t k = 0; k < Commands().size(); ++k) {
    const CliCommand& command = Commands()[k];
    ParsedCommand& p = parsed[k];
    p.Command = &command;
    p.App = app.add_subcommand(command.Name, command.Summary);
    p.App->group(command.Device ? kDeviceCommands : kFileCommands);
    if (Commands().begin() + static_cast<std::ptrdiff_t>(k) != named) continue;
    p.App->formatter(std::make_shared<CLI::Formatter>());
    p.App->footer(command.Device ? std::string(command.Footer) + "\n\n" + FaultLanguage() + "\n\n" +
                                       kDeviceFooter
                                 : command.Footer);
    for (const char* operand : command.Operands) {
      const std::string_view name = operand;
      if (name.size() > 3 && name.substr(name.size() - 3) == "...") {
        // One or more: the first required, any number after it.
        p.App->add_option("FILE", p.Operands, "a file; '-' reads standard input")
            ->type_name("")
            ->expected(1, CLI::detail::expected_max_vector_size)
            ->required();
      } else {
        p.App->add_option(operand, p.Values[operand], "a file; '-' reads standard input")
            ->type_name("")
            ->required();
      }
    }
    for (const CliOption& option : command.Options)
      AddOption(*p.App, option, p.Values, option.Help);
    if (command.Device) {
      for (const CliOption& option : DeviceOptions()) {
        AddOption(*p.App, option, p.Values, option.Help);
        p.App->get_options().back()->group("Programmer options");
      }
    }
  }

  // CLI11 takes the words last first.
  std::vector<std::string> reversed(words.rbegin(), words.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      if (dynamic_cast<const CLI::CallForVersion*>(&error) != nullptr) {
        out << error.what() << "\n";
      } else {
        out << app.help();
      }
      return FinishReport(kExitOk, out, err);
    }
    // The command named first, if it is one, takes the blame and gives its help.
    std::string name = "gantrel-cli";
    if (named != Commands().end()) name += std::string(" ") + named->Name;
    err << name << ": " << error.what() << "\nTry '" << name << " --help'.\n";
    return kExitUsage;
  }

  for (ParsedCommand& p : parsed) {
    if (!p.App->parsed()) continue;
    for (const char* operand : p.Command->Operands) {
      if (p.Values.count(operand) != 0) p.Operands.push_back(p.Values.at(operand));
    }
    const CommandLine line = CollectLine(p);
    // Standard input can be read once.
    const std::string* chip = line.Value("--simulate-chip");
    const auto fromStdin = std::count(line.Operands().begin(), line.Operands().end(), "-") +
                           (chip != nullptr && *chip == "-" ? 1 : 0);
    if (fromStdin > 1)
      return UsageError(err, p.Command->Name, "standard input ('-') can be read only once");
    return FinishReport(p.Command->Run({p.Command->Name, line, in, out, err, env}), out, err);
  }
  return kExitUsage;
}

}  // namespace gantrel
