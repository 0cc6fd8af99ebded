// What every gantrel-cli command shares: the exit statuses, the words and environment a run
// sees, the header time of generated texts, where output goes, and the small text helpers (hex
// numbers, characters as found in a file, JSON text, positions in a file, the L row of a fuse).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

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

// `value` as four upper-case hex digits ("0A3F").
std::string HexWord(std::uint16_t value);

// A byte as it is shown in a diagnostic: printable ASCII quoted ('x'), anything else as a hex
// byte (0x0D).
std::string DescribeByte(std::uint8_t byte);

// JSON values keep their keys in the order they were added.
using Json = nlohmann::ordered_json;

// `value` as JSON text: indented by `indent` spaces per level and ended with a line break, or
// on one line without a break when `indent` is negative. UTF-8 passes through unescaped; each
// sequence of bytes that is not UTF-8 (a file name's, say) becomes U+FFFD, so the text is
// always valid JSON.
std::string DumpJson(const Json& value, int indent = 2);

// A 1-based line and column in a file.
struct TextPosition {
  int Line = 1;
  int Column = 1;
};

// Where byte `offset` of `bytes` stands: Line is 1 plus the LF bytes before it, Column 1 plus
// the bytes since the last LF (a CR or a tab counts as one). An offset past the end counts
// the whole of `bytes`.
TextPosition LocateByte(std::string_view bytes, std::size_t offset);

// The L address of the line that holds `fuse` in the writer's text, as "L0088": the first fuse
// of its 44-fuse row for 0..5807, L5808 for the group of 20, L5828 for the UES.
std::string FuseRowAddress(int fuse);

// The UTC broken-down time of `secondsSinceEpoch` written as decimal digits (the form of
// SOURCE_DATE_EPOCH), or nothing when it is not such a number or lies beyond the year 9999.
std::optional<std::tm> ParseSourceDateEpoch(std::string_view secondsSinceEpoch);

}  // namespace gantrel
