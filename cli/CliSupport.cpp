#include "CliSupport.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "CliFormat.h"
#include "FileAccess.h"
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

}  // namespace gantrel
