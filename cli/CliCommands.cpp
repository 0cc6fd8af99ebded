#include "CliCommands.h"

#include <map>

#include "DeviceCommands.h"
#include "FileCommands.h"

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
    "  diff A B                        compare fuses 0-5891 of two files\n"
    "\n"
    "Device commands (each also takes --simulate, --simulate-chip FILE.jed and\n"
    "--simulate-fault FAULT):\n"
    "  pes                             print the chip's electronic signature\n"
    "  read [-o OUT] [--frame]         read the chip as a JEDEC text\n"
    "  program FILE [--force] [--no-verify]  upload FILE, burn it, read it back and compare\n"
    "  verify FILE [--force]           read the chip and compare it with FILE\n"
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
    "  --simulate              talk to a simulated programmer instead of the USB one\n"
    "  --simulate-chip FILE.jed\n"
    "                          preload the simulated chip with the fuses of FILE.jed\n"
    "  --simulate-fault FAULT  make the simulated programmer fail (implies --simulate):\n"
    "                            stop@N      no answer from output report N on\n"
    "                            vanish@N    every transfer fails from report N on\n"
    "                            replug@N    unplugged and plugged in again before report N\n"
    "                            late@N[:MS] the answer to report N comes MS ms late\n"
    "                                        (3000 by default)\n"
    "                            burn-fails  the chip fails to burn\n"
    "                          several faults go separated by commas (late@5,replug@14)\n"
    "                          Reports count from 1 across the whole run; a report sent\n"
    "                          to an unplugged programmer is not counted.\n"
    "--simulate-chip implies --simulate too. Without --simulate the first USB HID device\n"
    "04D8:003F is used; progress is shown on stderr when it is a terminal.\n"
    "\n"
    "Exit status: 0 done; 1 the exchange failed, the chip differs or the file fails its\n"
    "check; 2 usage error or a file that cannot be read or written; 3 no programmer\n"
    "(none found, or found but not opened).\n";

const std::map<std::string, std::string>& CommandHelp() {
  static const std::map<std::string, std::string> help = {
      {"check",
       "Usage: gantrel-cli check [--json] FILE...\n"
       "Loads each FILE as the window does (the whole file, STX/ETX frame removed, read into a\n"
       "fuse map that starts all 0; a fuse checksum mismatch counts as rejected) and prints one\n"
       "verdict per file on stdout:\n"
       "  FILE: ok: N fuses, checksum XXXX\n"
       "  FILE:LINE:COLUMN: syntax error: found 'x', expected ...\n"
       "  FILE: checksum mismatch: given XXXX, computed YYYY over QFn fuses\n"
       "  FILE: for another device: QFn (not 5828, 5892 or 5893) / QPn (not 24 or 28)\n"
       "then one line on the file's transmission checksum (absent, ok, right only with the\n"
       "line endings converted, or wrong). LINE counts LF bytes from the file's first byte\n"
       "plus 1, COLUMN the bytes since the last LF plus 1. A file that cannot be read is\n"
       "told on stderr.\n"
       "\n"
       "  --json   print a JSON array instead, one object per file with the keys file,\n"
       "           status (io-error, syntax-error, checksum-mismatch, other-device, ok),\n"
       "           result, length, line, column, qp, qf (0 when absent), qp_declared,\n"
       "           qf_declared (whether the file gives the count; QF0 names another\n"
       "           device), given_checksum, computed_checksum, fuse_checksum (over\n"
       "           fuses 0-5891), transmission\n"
       "           (absent, ok, line-endings, mismatch) and message\n"
       "\n"
       "Exit status: 0 every file ok; 1 a file is bad (a transmission checksum alone does\n"
       "not count); 2 usage error or a file that cannot be read. The highest applies.\n"},
      {"jedec",
       "Usage: gantrel-cli jedec FILE [-o OUT] [--frame] [--force]\n"
       "Writes the JEDEC text that this tool makes for the fuses FILE yields, loaded as\n"
       "'check' loads it: a canonical form of the file.\n"
       "\n"
       "  -o, --output OUT   write to OUT (atomically) instead of stdout\n"
       "  --frame            frame the text with STX, ETX and the transmission checksum, as\n"
       "                     the window saves it\n"
       "  --force            write a file with a checksum mismatch or for another device\n"
       "                     anyway; a file with a syntax error is always refused\n"
       "\n"
       "The header carries the local time, or SOURCE_DATE_EPOCH (seconds since 1970, taken\n"
       "in UTC) when that is set, for reproducible output.\n"
       "\n"
       "Exit status: 0 written; 1 FILE fails its check; 2 usage error, a bad\n"
       "SOURCE_DATE_EPOCH, or a file that cannot be read or written.\n"},
      {"diff",
       "Usage: gantrel-cli diff A B\n"
       "Compares fuses 0-5891 that files A and B yield (each loaded as 'check' loads it).\n"
       "Prints each differing fuse as\n"
       "  fuse N (Lnnnn): A=x B=y\n"
       "with the L address of its row (L5808 for the group of 20, L5828 for the UES), then\n"
       "a one-line summary. A file that fails its check is still compared, as far as it was\n"
       "read, and the problem is told on stderr.\n"
       "\n"
       "Exit status: 0 the fuses agree; 1 they differ; 2 usage error or a file that cannot\n"
       "be read.\n"},
      {"pes",
       "Usage: gantrel-cli pes [programmer options]\n"
       "Prints the chip's 9-character electronic signature.\n"},
      {"read",
       "Usage: gantrel-cli read [-o OUT] [--frame] [programmer options]\n"
       "Reads the chip and writes its fuses as a JEDEC text.\n"
       "\n"
       "  -o, --output OUT   write to OUT (atomically) instead of stdout\n"
       "  --frame            frame the text with STX, ETX and the transmission checksum\n"
       "\n"
       "The header carries the local time, or SOURCE_DATE_EPOCH in UTC when that is set.\n"},
      {"program",
       "Usage: gantrel-cli program FILE [--force] [--no-verify] [programmer options]\n"
       "Checks FILE as 'check' does, uploads its fuses, has the programmer burn them, then\n"
       "reads the chip back and compares fuses 0-5891 with FILE. On a difference it prints\n"
       "how many fuses differ and the first 10 with their L row address.\n"
       "\n"
       "  --force       program a file with a checksum mismatch or for another device\n"
       "                anyway; a file with a syntax error is always refused\n"
       "  --no-verify   skip the read-back\n"},
      {"verify",
       "Usage: gantrel-cli verify FILE [--force] [programmer options]\n"
       "Reads the chip and compares fuses 0-5891 with FILE (checked as 'check' does). On a\n"
       "difference it prints how many fuses differ and the first 10 with their L row\n"
       "address.\n"
       "\n"
       "  --force   compare with a file with a checksum mismatch or for another device\n"
       "            anyway; a file with a syntax error is always refused\n"},
  };
  return help;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& env) {
  if (args.empty()) {
    err << "gantrel-cli: no command given\nTry 'gantrel-cli --help'.\n";
    return kExitUsage;
  }
  const std::string& command = args.front();
  if (command == "--help" || command == "-h" || command == "help") {
    out << kGeneralHelp;
    return kExitOk;
  }
  if (command == "--version") {
    out << "gantrel-cli " << GANTREL_VERSION << "\n";
    return kExitOk;
  }
  const auto help = CommandHelp().find(command);
  if (help == CommandHelp().end()) {
    err << "gantrel-cli: unknown command '" << command << "'\nTry 'gantrel-cli --help'.\n";
    return kExitUsage;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (WantsHelp(rest)) {
    out << help->second;
    if (IsDeviceCommand(command)) out << kDeviceOptionsHelp;
    return kExitOk;
  }
  if (command == "check") return RunCheck(rest, out, err);
  if (command == "jedec") return RunJedec(rest, out, err, env);
  if (command == "diff") return RunDiff(rest, out, err);
  return RunDeviceCommand(command, rest, out, err, env);
}

}  // namespace gantrel
