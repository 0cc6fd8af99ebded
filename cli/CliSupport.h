// What every gantrel-cli command shares: the exit statuses, the environment a run sees, the
// header time of generated texts and where output goes.
#pragma once

#include <ctime>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "JedecFileCheck.h"

namespace gantrel {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file is bad, an exchange failed, the chip differs
inline constexpr int kExitUsage = 2;   // usage error, or a file that cannot be read or written
inline constexpr int kExitNoProgrammer = 3;  // no programmer found, or it could not be opened

// The words of one command as the parser split them: the flags given, the value of each valued
// option (under every name it has), and the operands in the order given.
struct CommandLine {
  std::set<std::string> Flags;
  std::map<std::string, std::string> Values;
  std::vector<std::string> OperandList;

  // True when the flag `name` was given.
  bool Has(const std::string& name) const { return Flags.count(name) != 0; }
  // The value given for `name`, or null when it was not given (the last one counts).
  const std::string* Value(const std::string& name) const {
    const auto it = Values.find(name);
    return it == Values.end() ? nullptr : &it->second;
  }
  // The operands in the order given.
  const std::vector<std::string>& Operands() const { return OperandList; }
};

// What a run takes from outside its arguments.
struct CliEnvironment {
  std::optional<std::string> SourceDateEpoch;  // SOURCE_DATE_EPOCH, when set
  bool ProgressToTerminal = false;             // stderr is a terminal: show progress there
};

// One run of a command: its name, its words split by the command's options, the process's
// streams and environment.
struct CliCall {
  const std::string& Command;
  const CommandLine& Line;
  std::istream& In;
  std::ostream& Out;
  std::ostream& Err;
  const CliEnvironment& Env;
};

// The time for a generated text's header: SOURCE_DATE_EPOCH in UTC when set, else the local
// time. False, with the reason on `err`, when SOURCE_DATE_EPOCH is not a valid number of seconds.
bool HeaderTime(const CliEnvironment& env, std::tm& time, std::ostream& err);

// Tells `problem` with `command` on `err`, with the hint to its help; returns kExitUsage.
int UsageError(std::ostream& err, const std::string& command, const std::string& problem);

// Whether a command goes on with a checked file: kExitOk for a file that is ok, or whose every
// verdict is a checksum mismatch, another device or a partial map while `force` is set (each
// verdict overridden is then reported on `err`, "(<used> anyway: --force)", a partial map with
// how many fuses are taken as 0). Otherwise the verdict on `err` and kExitUsage for a file that
// cannot be read, kExitFailed for the rest, with "Use --force to <use> it anyway." where
// forcing would help; a syntax error or a text without fuses is never let through.
int AcceptCheckedFile(const JedecFileCheck& check, bool force, const char* use, const char* used,
                      std::ostream& err);

// Checks the file named by a command's operand, or what `in` holds when the operand is "-"
// (up to 1 MiB, like a file).
JedecFileCheck CheckJedecOperand(const std::string& operand, std::istream& in);

// Saves `bytes` to `*outPath` (SaveFile), or writes them to `out` when `outPath` is null or "-".
// Returns kExitOk, or kExitUsage with the reason on `err` when the file cannot be written; RunCli
// judges `out`.
int EmitOutput(const std::string* outPath, std::string_view bytes, std::ostream& out,
               std::ostream& err);

// The status of a run whose report went to `out`: a report that standard output did not take
// makes it a failure to write (at least kExitUsage, with a message on `err`), as for a file.
int FinishReport(int status, std::ostream& out, std::ostream& err);

}  // namespace gantrel
