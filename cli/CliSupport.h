// What every gantrel-cli command shares: the exit statuses, the environment a run sees, the
// header time of generated texts and where output goes.
#pragma once

#include <ctime>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace gantrel {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // a file is bad, an exchange failed, the chip differs
inline constexpr int kExitUsage = 2;   // usage error, or a file that cannot be read or written
inline constexpr int kExitNoProgrammer = 3;  // no programmer found, or it could not be opened

// What a run takes from outside its arguments.
struct CliEnvironment {
  std::optional<std::string> SourceDateEpoch;  // SOURCE_DATE_EPOCH, when set
  bool ProgressToTerminal = false;             // stderr is a terminal: show progress there
};

// The time for a generated text's header: SOURCE_DATE_EPOCH in UTC when set, else the local
// time. False, with the reason on `err`, when SOURCE_DATE_EPOCH is not a valid number of seconds.
bool HeaderTime(const CliEnvironment& env, std::tm& time, std::ostream& err);

// Writes `bytes` atomically to `*outPath`, or to `out` when `outPath` is null. Returns kExitOk,
// or kExitUsage with the reason on `err` when the file cannot be written.
int EmitOutput(const std::string* outPath, std::string_view bytes, std::ostream& out,
               std::ostream& err);

}  // namespace gantrel
