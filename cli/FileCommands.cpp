#include "CliCommands.h"

#include <algorithm>

#include <nlohmann/json.hpp>

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

// A number, or null when `present` is false.
Json NumberOrNull(bool present, long long value) {
  return present ? Json(value) : Json(nullptr);
}

// Four hex digits, or null when `present` is false.
Json HexOrNull(bool present, std::uint16_t value) {
  return present ? Json(HexWord(value)) : Json(nullptr);
}

// One object of the --json array.
Json CheckAsJson(const JedecFileCheck& check) {
  const bool read = check.Status != CheckStatus::IoError;
  const bool syntax = check.Status == CheckStatus::SyntaxError;
  const JedecReadResult& result = check.Read;
  return {
      {"file", check.Path},
      {"status", CheckStatusName(check.Status)},
      {"result", NumberOrNull(read, result.Position)},
      {"length", NumberOrNull(read, result.Length)},
      {"line", NumberOrNull(syntax, check.Line)},
      {"column", NumberOrNull(syntax, check.Column)},
      // QP and QF are numbers always: 0 when the file declares none, or was not read.
      {"qp", result.Qp},
      {"qf", result.Qf},
      {"qp_declared", result.QpDeclared},
      {"qf_declared", result.QfDeclared},
      {"given_checksum", HexOrNull(read, result.GivenChecksum)},
      {"computed_checksum", HexOrNull(result.ChecksumTested, result.ComputedChecksum)},
      {"fuse_checksum", HexOrNull(read, check.FuseChecksum5892)},
      {"fuses_set", NumberOrNull(read && !syntax, FusesSet(result))},
      {"transmission",
       read ? Json(TransmissionStatusName(check.Transmission.Status)) : Json(nullptr)},
      {"message", DescribeCheck(check)},
  };
}

}  // namespace

int RunCheck(const CliCall& call) {
  std::ostream& out = call.Out;
  std::ostream& err = call.Err;
  const bool json = call.Line.Has("--json");

  int status = kExitOk;
  Json array = Json::array();
  for (const std::string& path : call.Line.Operands()) {
    const JedecFileCheck check = CheckJedecOperand(path, call.In);
    status = std::max(status, ExitStatusOf(check));
    if (json) {
      array.push_back(CheckAsJson(check));
    } else if (check.Status == CheckStatus::IoError) {
      err << FormatVerdict(check) << "\n";
    } else {
      out << FormatVerdict(check) << "\n";
      out << path << ": " << DescribeTransmission(check.Transmission) << "\n";
    }
  }
  if (json) out << DumpJson(array);
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
  return EmitOutput(line.Value("--output"), text, call.Out, call.Err);
}

}  // namespace gantrel
