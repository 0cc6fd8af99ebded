#include "CliSupport.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "FileAccess.h"
#include "FuseMap.h"
#include "JedecWriter.h"

namespace gantrel {

int UsageError(std::ostream& err, const std::string& command, const std::string& problem) {
  err << "gantrel-cli " << command << ": " << problem << "\n"
      << "Try 'gantrel-cli " << command << " --help'.\n";
  return kExitUsage;
}

int AcceptCheckedFile(const JedecFileCheck& check, bool force, const char* use, const char* used,
                      std::ostream& err) {
  if (check.Status == CheckStatus::Ok) return kExitOk;
  if (check.Status == CheckStatus::IoError) {
    err << FormatVerdict(check) << "\n";
    return kExitUsage;
  }
  // What is left once every verdict that --force overrides is overridden.
  JedecFileCheck rest = check;
  while (MayOverlook(rest.Status)) Overlook(rest);
  if (rest.Status != CheckStatus::Ok || !force) {
    err << FormatVerdict(check) << "\n";
    if (rest.Status == CheckStatus::Ok) {
      err << "Use --force to " << use << " it anyway.\n";
    } else if (rest.Status != check.Status) {
      err << FormatVerdict(rest) << "\n";
    }
    return kExitFailed;
  }
  for (rest = check; rest.Status != CheckStatus::Ok; Overlook(rest)) {
    err << FormatVerdict(rest) << " (" << used << " anyway: --force)";
    if (rest.Status == CheckStatus::Partial) {
      err << "; " << MapFuseCount(rest.Read) - FusesSet(rest.Read)
          << " fuses not set by the file are taken as 0";
    }
    err << "\n";
  }
  return kExitOk;
}

bool HeaderTime(const CliEnvironment& env, std::tm& time, std::ostream& err) {
  if (env.SourceDateEpoch) {
    const std::optional<std::tm> fixed = ParseSourceDateEpoch(*env.SourceDateEpoch);
    if (!fixed) {
      err << "gantrel-cli: SOURCE_DATE_EPOCH must be a whole number of seconds since "
             "1970-01-01 00:00:00 UTC, up to the year 9999, not "
          << DumpJson(*env.SourceDateEpoch, -1) << "\n";
      return false;
    }
    time = *fixed;
    return true;
  }
  time = LocalTimeNow();
  return true;
}

int EmitOutput(const std::string* outPath, std::string_view bytes, std::ostream& out,
               std::ostream& err) {
  if (outPath == nullptr || *outPath == "-") {
    // Whether standard output took it is judged once, when the run ends (FinishReport).
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return kExitOk;
  }
  // As any command-line tool, a save to a FIFO waits for its reader.
  const FileResult result = SaveFile(*outPath, bytes, PipeWait::Wait);
  if (!result.Ok()) {
    err << *outPath << ": " << FileErrorName(result.Error);
    if (result.Cause == FileCause::FolderNotWritable)
      err << ": its folder takes no new file, and the file is only ever replaced whole";
    if (!result.Reason.empty()) err << ": " << result.Reason;
    err << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

JedecFileCheck CheckJedecOperand(const std::string& operand, std::istream& in) {
  if (operand != "-") return CheckJedecFile(operand);
  std::string bytes;
  char chunk[16384];
  while (bytes.size() <= kMaxJedecFileBytes && in.read(chunk, sizeof chunk).gcount() > 0) {
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad() || bytes.size() > kMaxJedecFileBytes) {
    JedecFileCheck check;
    check.Path = operand;
    check.Io.Error = in.bad() ? FileError::ReadFailed : FileError::TooLarge;
    return check;
  }
  return CheckJedecBytes(operand, std::move(bytes));
}

int FinishReport(int status, std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return status;
  err << "gantrel-cli: cannot write to standard output\n";
  return std::max(status, kExitUsage);
}

std::string HexWord(std::uint16_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(value));
  return buffer;
}

std::string DescribeByte(std::uint8_t byte) {
  char buffer[8];
  if (byte >= 0x20 && byte <= 0x7E) {
    std::snprintf(buffer, sizeof buffer, "'%c'", static_cast<char>(byte));
  } else {
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(byte));
  }
  return buffer;
}

std::string DumpJson(const Json& value, int indent) {
  const std::string text = value.dump(indent, ' ', false, Json::error_handler_t::replace);
  return indent < 0 ? text : text + "\n";
}

TextPosition LocateByte(std::string_view bytes, std::size_t offset) {
  if (offset > bytes.size()) offset = bytes.size();
  TextPosition position;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++position.Line;
      lineStart = i + 1;
    }
  }
  position.Column = static_cast<int>(offset - lineStart) + 1;
  return position;
}

std::string FuseRowAddress(int fuse) {
  int first = kUesFirstFuse;
  if (fuse < kGroupFirstFuse) {
    first = fuse - fuse % kRowFuses;
  } else if (fuse < kUesFirstFuse) {
    first = kGroupFirstFuse;
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "L%04d", first);
  return buffer;
}

std::optional<std::tm> ParseSourceDateEpoch(std::string_view secondsSinceEpoch) {
  // 253402300799 is 9999-12-31 23:59:59 UTC; asctime's fixed form has room for four-digit years.
  constexpr std::int64_t kLastSecond = 253402300799;
  std::int64_t seconds = 0;
  const char* end = secondsSinceEpoch.data() + secondsSinceEpoch.size();
  const auto [stop, error] = std::from_chars(secondsSinceEpoch.data(), end, seconds);
  // A sign is no digit: "-1" is refused like "12abc".
  if (secondsSinceEpoch.empty() || secondsSinceEpoch[0] == '-' || stop != end ||
      error != std::errc() || seconds > kLastSecond)
    return std::nullopt;
  const auto time = static_cast<std::time_t>(seconds);
  std::tm broken{};
#ifdef _WIN32
  if (gmtime_s(&broken, &time) != 0) return std::nullopt;
#else
  if (gmtime_r(&time, &broken) == nullptr) return std::nullopt;
#endif
  return broken;
}

}  // namespace gantrel
