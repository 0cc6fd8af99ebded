#include "FileCommands.h"

#include <algorithm>

#include "CliFormat.h"
#include "CommandLine.h"
#include "JedecFileCheck.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

int ExitStatusOf(const JedecFileCheck& check) {
  switch (check.Status) {
    case CheckStatus::IoError:
      return kExitUsage;
    case CheckStatus::Ok:
      return kExitOk;
    default:
      return kExitFailed;
  }
}

// The status of a command whose report went to `out`: output that was lost makes it a failure
// to write (kExitUsage), as for an output file, whatever the files said.
int FinishOutput(int status, std::ostream& out, std::ostream& err) {
  out.flush();
  if (out) return status;
  err << "gantrel-cli: cannot write to standard output\n";
  return std::max(status, kExitUsage);
}

std::string JsonNumberOrNull(bool present, long long value) {
  return present ? std::to_string(value) : "null";
}

std::string JsonHexOrNull(bool present, std::uint16_t value) {
  return present ? JsonString(HexWord(value)) : "null";
}

// One object of the --json array, on one line.
std::string CheckAsJson(const JedecFileCheck& check) {
  const bool read = check.Status != CheckStatus::IoError;
  const bool syntax = check.Status == CheckStatus::SyntaxError;
  const JedecReadResult& result = check.Read;
  std::string json = "{\"file\": " + JsonString(check.Path);
  json += ", \"status\": " + JsonString(CheckStatusName(check.Status));
  json += ", \"result\": " + JsonNumberOrNull(read, result.Position);
  json += ", \"length\": " + JsonNumberOrNull(read, result.Length);
  json += ", \"line\": " + JsonNumberOrNull(syntax, check.Line);
  json += ", \"column\": " + JsonNumberOrNull(syntax, check.Column);
  // QP and QF are numbers always: 0 when the file declares none, or was not read.
  json += ", \"qp\": " + std::to_string(result.Qp);
  json += ", \"qf\": " + std::to_string(result.Qf);
  json += ", \"qp_declared\": " + std::string(result.QpDeclared ? "true" : "false");
  json += ", \"qf_declared\": " + std::string(result.QfDeclared ? "true" : "false");
  json += ", \"given_checksum\": " + JsonHexOrNull(read, result.GivenChecksum);
  json +=
      ", \"computed_checksum\": " + JsonHexOrNull(result.ChecksumTested, result.ComputedChecksum);
  json += ", \"fuse_checksum\": " + JsonHexOrNull(read, check.FuseChecksum5892);
  json += ", \"transmission\": ";
  json += read ? JsonString(TransmissionStatusName(check.Transmission.Status)) : "null";
  json += ", \"message\": " + JsonString(DescribeCheck(check));
  json += "}";
  return json;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line(args, {"--json"}, {});
  if (!line.Error().empty()) return UsageError(err, "check", line.Error());
  if (line.Operands().empty()) return UsageError(err, "check", "no file given");
  const bool json = line.Has("--json");

  int status = kExitOk;
  if (json) out << "[";
  bool first = true;
  for (const std::string& path : line.Operands()) {
    const JedecFileCheck check = CheckJedecFile(path);
    status = std::max(status, ExitStatusOf(check));
    if (json) {
      out << (first ? "\n  " : ",\n  ") << CheckAsJson(check);
      first = false;
    } else if (check.Status == CheckStatus::IoError) {
      err << FormatVerdict(check) << "\n";
    } else {
      out << FormatVerdict(check) << "\n";
      out << path << ": " << DescribeTransmission(check.Transmission) << "\n";
    }
  }
  if (json) out << "\n]\n";
  return FinishOutput(status, out, err);
}

int RunJedec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const CliEnvironment& env) {
  const CommandLine line(args, {"--frame", "--force"}, {"-o", "--output"});
  if (!line.Error().empty()) return UsageError(err, "jedec", line.Error());
  if (line.Operands().size() != 1) return UsageError(err, "jedec", "give exactly one FILE");
  std::tm time{};
  if (!HeaderTime(env, time, err)) return kExitUsage;

  // A syntax error leaves the fuses half read: never worth a canonical text. A checksum
  // mismatch or another device's file is written only when asked for.
  const JedecFileCheck check = CheckJedecFile(line.Operands().front());
  const int accepted = AcceptCheckedFile(check, line.Has("--force"), "write", "written", err);
  if (accepted != kExitOk) return accepted;

  std::string text = JedecWriter(check.Fuses, kPesBytes, time);
  if (line.Has("--frame")) text = FrameJedecText(text);
  return EmitOutput(OutputPath(line), text, out, err);
}

int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const CommandLine line(args, {}, {});
  if (!line.Error().empty()) return UsageError(err, "diff", line.Error());
  if (line.Operands().size() != 2) {
    return UsageError(err, "diff", "give exactly two files, A and B");
  }

  const JedecFileCheck a = CheckJedecFile(line.Operands()[0]);
  const JedecFileCheck b = CheckJedecFile(line.Operands()[1]);
  bool unreadable = false;
  for (const JedecFileCheck* check : {&a, &b}) {
    if (check->Status == CheckStatus::IoError) {
      err << FormatVerdict(*check) << "\n";
      unreadable = true;
    } else if (check->Status != CheckStatus::Ok) {
      err << FormatVerdict(*check) << " (compared as far as it was read)\n";
    }
  }
  if (unreadable) return kExitUsage;

  int differing = 0;
  for (int fuse = 0; fuse < kDeviceFuseCount; ++fuse) {
    const int inA = a.Fuses[static_cast<std::size_t>(fuse)];
    const int inB = b.Fuses[static_cast<std::size_t>(fuse)];
    if (inA == inB) continue;
    ++differing;
    out << "fuse " << fuse << " (" << FuseRowAddress(fuse) << "): A=" << inA << " B=" << inB
        << "\n";
  }
  if (differing == 0) {
    out << "all " << kDeviceFuseCount << " fuses agree\n";
  } else {
    out << differing << " of " << kDeviceFuseCount << " fuses differ\n";
  }
  return FinishOutput(differing == 0 ? kExitOk : kExitFailed, out, err);
}

}  // namespace gantrel
