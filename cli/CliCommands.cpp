#include "CliCommands.h"

#include <algorithm>
#include <set>

#include "DeviceCommands.h"
#include "FileCommands.h"
#include "LogicCommands.h"
#include "SimulatedProgrammer.h"

#ifndef GANTREL_VERSION
#define GANTREL_VERSION "unknown"
#endif

namespace gantrel {
namespace {

constexpr const char* kGeneralHelp =
    "Usage: gantrel-cli COMMAND [OPTION]... [FILE]...\n"
    "Checks, rewrites and compares JEDEC fuse-map files for the ATF22LV10C, and programs the\n"
    "chip through the USB programmer (HID 04D8:003F).\n"
    "\n"
    "File commands:\n"
    "  check [--json] FILE...          check each file as the window loads it\n"
    "  jedec FILE [-o OUT] [--frame]   the file's fuses as this tool writes them\n"
    "  diff [--json] A B               compare two files fuse by fuse, by meaning\n"
    "  explain [--json] [--force] FILE show the logic the file's fuses hold\n"
    "\n"
    "Device commands (each also takes --reconnected, --simulate, --simulate-chip FILE.jed\n"
    "and --simulate-fault FAULT):\n"
    "  pes                             print the chip's electronic signature\n"
    "  read [-o OUT] [--frame]         read the chip as a JEDEC text\n"
    "  program FILE [--force] [--no-verify]  upload FILE, burn it, read it back and compare\n"
    "  verify FILE [--force]           read the chip and compare it with FILE\n"
    "\n"
    "A FILE (or --simulate-chip FILE) of '-' is standard input, once per run, and -o -\n"
    "is standard output.\n"
    "\n"
    "  --help      show this help, or with a command that command's help\n"
    "  --version   show the version\n"
    "\n"
    "Exit status: 0 all well; 1 a file is bad, an exchange failed or the chip differs;\n"
    "2 usage error, or a file that cannot be read or written; 3 no programmer.\n"
    "With several files the highest status applies.\n";

constexpr const char* kDeviceOptionsHelp =
    "\n"
    "Programmer options:\n"
    "  --reconnected           the programmer was unplugged and plugged in again since an\n"
    "                          earlier run broke off an exchange with it\n"
    "  --simulate              talk to a simulated programmer instead of the USB one\n"
    "  --simulate-chip FILE.jed\n"
    "                          preload the simulated chip with the fuses of FILE.jed\n"
    "  --simulate-fault FAULT  make the simulated programmer fail (implies --simulate):\n";

constexpr const char* kDeviceOptionsTail =
    "--simulate-chip implies --simulate too. Without --simulate the first USB HID device\n"
    "04D8:003F is used; progress is shown on stderr when it is a terminal.\n"
    "\n"
    "Exit status: 0 done; 1 the exchange failed, the chip differs or the file fails its\n"
    "check; 2 usage error or a file that cannot be read or written; 3 no programmer\n"
    "(none found, or found but not opened).\n";

// Every command: its options, how many operands it takes, what runs it and its help.
struct CliCommand {
  const char* Name;
  std::set<std::string> Flags;   // options without a value
  std::set<std::string> Valued;  // options that take one
  std::size_t MinOperands;
  std::size_t MaxOperands;
  const char* OperandProblem;  // the usage error when the count is wrong
  bool Device;                 // takes the programmer options too
  int (*Run)(const CliCall&);
  const char* Help;
};

constexpr std::size_t kAnyNumber = static_cast<std::size_t>(-1);

constexpr const char* kCheckHelp =
    "Usage: gantrel-cli check [--json] FILE...\n"
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
    "reported on stderr.\n"
    "\n"
    "  --json   print a JSON array instead, one object per file with the keys file,\n"
    "           status (io-error, syntax-error, checksum-mismatch, other-device,\n"
    "           no-fuses, partial, ok), result, length, line, column, qp, qf (0 when\n"
    "           absent), qp_declared, qf_declared (whether the file gives the count;\n"
    "           QF0 names another device), given_checksum, computed_checksum,\n"
    "           fuse_checksum (over fuses 0-5891), fuses_set (how many of the map's\n"
    "           fuses the file sets; null when it was not read to its end),\n"
    "           transmission (absent, ok, line-endings, mismatch) and message\n"
    "\n"
    "Exit status: 0 every file ok; 1 a file is bad (a transmission checksum alone does\n"
    "not count); 2 usage error or a file that cannot be read. The highest applies.\n";

constexpr const char* kJedecHelp =
    "Usage: gantrel-cli jedec FILE [-o OUT] [--frame] [--force]\n"
    "Writes the JEDEC text that this tool makes for the fuses FILE yields, loaded as\n"
    "'check' loads it: a canonical form of the file.\n"
    "\n"
    "  -o, --output OUT   write to OUT instead of stdout: a file is replaced only once\n"
    "                     the new one is wholly written, a FIFO or device written into\n"
    "  --frame            frame the text with STX, ETX and the transmission checksum, as\n"
    "                     the window saves it\n"
    "  --force            write a file with a checksum mismatch, for another device or\n"
    "                     that sets only part of the fuses (the rest taken as 0) anyway;\n"
    "                     a syntax error or a file without fuses is always refused\n"
    "\n"
    "The header carries the local time, or SOURCE_DATE_EPOCH (seconds since 1970, taken\n"
    "in UTC) when that is set, for reproducible output.\n"
    "\n"
    "Exit status: 0 written; 1 FILE fails its check; 2 usage error, a bad\n"
    "SOURCE_DATE_EPOCH, or a file that cannot be read or written.\n";

constexpr const char* kDiffHelp =
    "Usage: gantrel-cli diff [--json] A B\n"
    "Compares fuses 0-5891 that files A and B yield (each loaded as 'check' loads it)\n"
    "and names each difference by its meaning in the 22V10 map.\n"
    "Prints a summary, then one line for each output pin (and AR, SP) whose equation\n"
    "differs, or a line saying that the equations agree; then each differing fuse:\n"
    "  fuse 1234 (L1232): pin 21 term 7, input 23: connected in A, open in B\n"
    "  fuse 5811: pin 22 S1: registered in A, combinatorial in B\n"
    "  fuse 5830: UES: 1 in A, 0 in B\n"
    "A file that fails its check is not compared: its verdict is reported on stderr.\n"
    "\n"
    "  --json   print one JSON object instead: differing, compared, equations_differ (pins\n"
    "           as strings, \"ar\", \"sp\") and fuses, one object per differing fuse with\n"
    "           fuse, address, part (ar, oe, term, sp, s0, s1, ues), pin, term, input, a, b\n"
    "\n"
    "Exit status: 0 the fuses agree; 1 they differ or a file fails its check; 2 usage\n"
    "error or a file that cannot be read.\n";

constexpr const char* kExplainHelp =
    "Usage: gantrel-cli explain [--json] [--force] FILE\n"
    "Loads FILE as 'check' does and shows the logic its fuses hold in the 22V10 map: for\n"
    "each output pin its mode, polarity, output enable and equation (:= registered,\n"
    "= combinatorial, * AND, + OR, / NOT), then the AR and SP terms and the UES in hex.\n"
    "A file for the 28-pin PLCC package (QP28) is shown with the DIP pin numbers.\n"
    "\n"
    "  --json    print one JSON object: olmc (by pin: mode, polarity, feedback, oe,\n"
    "            terms), ar, sp, ues; a term is a list of literals (\"5\", \"/5\"), [] always\n"
    "            true, null always false (in the text, VCC and GND)\n"
    "  --force   explain a file with a checksum mismatch, or that sets only part of the\n"
    "            fuses (the rest taken as 0), anyway; a syntax error, a file without\n"
    "            fuses or a fuse count of another device is always refused\n"
    "\n"
    "Exit status: 0 shown; 1 FILE fails its check; 2 usage error or a file that cannot\n"
    "be read.\n";

constexpr const char* kPesHelp =
    "Usage: gantrel-cli pes [programmer options]\n"
    "Prints the chip's 9-character electronic signature. An empty signature (the\n"
    "programmer answered zeros, as with no chip in the socket) is an error.\n";

constexpr const char* kReadHelp =
    "Usage: gantrel-cli read [-o OUT] [--frame] [programmer options]\n"
    "Reads the chip and writes its fuses as a JEDEC text.\n"
    "\n"
    "  -o, --output OUT   write to OUT instead of stdout: a file is replaced only once\n"
    "                     the new one is wholly written, a FIFO or device written into\n"
    "  --frame            frame the text with STX, ETX and the transmission checksum\n"
    "\n"
    "The header carries the local time, or SOURCE_DATE_EPOCH in UTC when that is set.\n";

constexpr const char* kProgramHelp =
    "Usage: gantrel-cli program FILE [--force] [--no-verify] [programmer options]\n"
    "Checks FILE as 'check' does, uploads its fuses, has the programmer burn them, then\n"
    "reads the chip back and compares fuses 0-5891 with FILE. On a difference it prints\n"
    "how many fuses differ and the first 10 with their L row address. When the burn\n"
    "command gets no answer within 20 s, whether the chip was burned is unknown.\n"
    "\n"
    "  --force       program a file with a checksum mismatch, for another device or\n"
    "                that sets only part of the fuses (the rest taken as 0) anyway; a\n"
    "                syntax error or a file without fuses is always refused\n"
    "  --no-verify   skip the read-back\n";

constexpr const char* kVerifyHelp =
    "Usage: gantrel-cli verify FILE [--force] [programmer options]\n"
    "Reads the chip and compares fuses 0-5891 with FILE (checked as 'check' does). On a\n"
    "difference it prints how many fuses differ and the first 10 with their L row\n"
    "address.\n"
    "\n"
    "  --force   compare with a file with a checksum mismatch, for another device or\n"
    "            that sets only part of the fuses (the rest taken as 0) anyway; a\n"
    "            syntax error or a file without fuses is always refused\n";

const std::vector<CliCommand>& Commands() {
  // clang-format off
  static const std::vector<CliCommand> commands = {
      // name      flags                        valued               operands
      //           usage error for another count       programmer  run               help
      {"check",   {"--json"},                   {},                  1, kAnyNumber,
                  "no file given",                      false,     RunCheck,         kCheckHelp},
      {"jedec",   {"--frame", "--force"},       {"-o", "--output"},  1, 1,
                  "give exactly one FILE",              false,     RunJedec,         kJedecHelp},
      {"diff",    {"--json"},                   {},                  2, 2,
                  "give exactly two files, A and B",    false,     RunDiff,          kDiffHelp},
      {"explain", {"--json", "--force"},        {},                  1, 1,
                  "give exactly one FILE",              false,     RunExplain,       kExplainHelp},
      {"pes",     {},                           {},                  0, 0,
                  "takes no FILE",                      true,      RunDeviceCommand, kPesHelp},
      {"read",    {"--frame"},                  {"-o", "--output"},  0, 0,
                  "takes no FILE",                      true,      RunDeviceCommand, kReadHelp},
      {"program", {"--force", "--no-verify"},   {},                  1, 1,
                  "give exactly one FILE",              true,      RunDeviceCommand, kProgramHelp},
      {"verify",  {"--force"},                  {},                  1, 1,
                  "give exactly one FILE",              true,      RunDeviceCommand, kVerifyHelp},
  };
  // clang-format on
  return commands;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, const CliEnvironment& env) {
  if (args.empty()) {
    err << "gantrel-cli: no command given\nTry 'gantrel-cli --help'.\n";
    return kExitUsage;
  }
  const std::string& name = args.front();
  if (name == "--help" || name == "-h" || name == "help") {
    out << kGeneralHelp;
    return FinishReport(kExitOk, out, err);
  }
  if (name == "--version") {
    out << "gantrel-cli " << GANTREL_VERSION << "\n";
    return FinishReport(kExitOk, out, err);
  }
  const auto command = std::find_if(Commands().begin(), Commands().end(),
                                    [&](const CliCommand& c) { return name == c.Name; });
  if (command == Commands().end()) {
    err << "gantrel-cli: unknown command '" << name << "'\nTry 'gantrel-cli --help'.\n";
    return kExitUsage;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (WantsHelp(rest)) {
    out << command->Help;
    if (command->Device) out << kDeviceOptionsHelp << kSimulatedFaultsHelp << kDeviceOptionsTail;
    return FinishReport(kExitOk, out, err);
  }
  std::set<std::string> flags = command->Flags;
  std::set<std::string> valued = command->Valued;
  if (command->Device) {
    flags.insert({"--simulate", "--reconnected"});
    valued.insert({"--simulate-chip", "--simulate-fault"});
  }
  const CommandLine line(rest, flags, valued);
  if (!line.Error().empty()) return UsageError(err, name, line.Error());
  const std::size_t operands = line.Operands().size();
  if (operands < command->MinOperands || operands > command->MaxOperands) {
    return UsageError(err, name, command->OperandProblem);
  }
  // Standard input can be read once.
  const std::string* chip = line.Value("--simulate-chip");
  const auto fromStdin = std::count(line.Operands().begin(), line.Operands().end(), "-") +
                         (chip != nullptr && *chip == "-" ? 1 : 0);
  if (fromStdin > 1) return UsageError(err, name, "standard input ('-') can be read only once");
  return FinishReport(command->Run({name, line, in, out, err, env}), out, err);
}

}  // namespace gantrel
