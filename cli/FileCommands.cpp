#include "FileCommands.h"

#include <algorithm>

#include "CliFormat.h"
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
  json += ", \"fuses_set\": " + JsonNumberOrNull(read && !syntax, FusesSet(result));
  json += ", \"transmission\": ";
  json += read ? JsonString(TransmissionStatusName(check.Transmission.Status)) : "null";
  json += ", \"message\": " + JsonString(DescribeCheck(check));
  json += "}";
  return json;
}

}  // namespace

int RunCheck(const CliCall& call) {
  std::ostream& out = call.Out;
  std::ostream& err = call.Err;
  const bool json = call.Line.Has("--json");

  int status = kExitOk;
  if (json) out << "[";
  bool first = true;
  for (const std::string& path : call.Line.Operands()) {
    const JedecFileCheck check = CheckJedecOperand(path, call.In);
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
  return status;
}

int RunJedec(const CliCall& call) {
  const CommandLine& line = call.Line;
  std::tm time{};
  if (!HeaderTime(call.Env, time, call.Err)) return kExitUsage;

  // A syntax error leaves the fuses half read: never worth a canonical text. A checksum
  // mismatch or another device's file is written only when asked for.
  const JedecFileCheck check = CheckJedecOperand(line.Operands().front(), call.In);
  const int accepted = AcceptCheckedFile(check, line.Has("--force"), "write", "written", call.Err);
  if (accepted != kExitOk) return accepted;

  std::string text = JedecWriter(check.Fuses, kPesBytes, time);
  if (line.Has("--frame")) text = FrameJedecText(text);
  return EmitOutput(OutputPath(line), text, call.Out, call.Err);
}

}  // namespace gantrel
