#include "CliCommands.h"

#include <algorithm>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "FuseMeaning.h"
#include "JedecReader.h"

namespace gantrel {
namespace {

// A map of QF5828 fuses ends before the UES.
bool HasUes(const JedecReadResult& read) {
  return !(read.QfDeclared && read.Qf == kQfWithoutUes);
}

std::string LiteralText(const Literal& literal) {
  return (literal.Complement ? "/" : "") + std::to_string(literal.Pin);
}

// "2 * /3"; a term with no input is always true: "VCC" (a lone "1" would read as pin 1).
std::string TermText(const ProductTerm& term) {
  if (term.empty()) return "VCC";
  std::string text;
  for (const Literal& literal : term) text += (text.empty() ? "" : " * ") + LiteralText(literal);
  return text;
}

// ["2", "/3"], or null for a term that is always false.
Json TermJson(const OptionalTerm& term) {
  if (!term) return nullptr;
  Json literals = Json::array();
  for (const Literal& literal : *term) literals.push_back(LiteralText(literal));
  return literals;
}

std::string WhenText(const OptionalTerm& term) {
  if (!term) return "never";
  if (term->empty()) return "always";
  return "when " + TermText(*term);
}

// "  (22, 17 here: ...)" when the literals of `terms` name registered cells, whose signal in
// the array is the register's /Q rather than the pin.
std::string FeedbackNote(const MapLogic& logic, const std::vector<const ProductTerm*>& terms) {
  std::string pins;
  for (const OutputCell& cell : logic.Cells) {
    const bool named = std::any_of(terms.begin(), terms.end(), [&](const ProductTerm* term) {
      return std::any_of(term->begin(), term->end(),
                         [&](const Literal& literal) { return literal.Pin == cell.Pin; });
    });
    if (cell.Registered && named) pins += (pins.empty() ? "" : ", ") + std::to_string(cell.Pin);
  }
  if (pins.empty()) return {};
  return "  (" + pins + " here: the register's /Q of that pin)\n";
}

std::string UesHex(const FuseArray& fuses) {
  std::string hex;
  for (int k = 0; k < kUesBytes; ++k) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", UesByte(fuses, k));
    hex += digits;
  }
  return hex;
}

std::string ExplainText(const MapLogic& logic, const JedecFileCheck& check) {
  std::string text;
  if (check.Read.QpDeclared && check.Read.Qp == kQpPlcc) {
    text +=
        "The file is for the 28-pin PLCC package (QP28); pins are shown by their DIP "
        "numbers.\n";
  }
  for (const OutputCell& cell : logic.Cells) {
    const std::string pin = std::to_string(cell.Pin);
    text += "pin " + pin + ": " + (cell.Registered ? "registered" : "combinatorial") + ", " +
            (cell.ActiveHigh ? "active high" : "active low") + ", output ";
    if (!cell.OutputEnable) {
      text += "never enabled\n";
    } else if (cell.OutputEnable->empty()) {
      text += "always enabled\n";
    } else {
      text += "enabled when " + TermText(*cell.OutputEnable) + "\n";
    }
    std::vector<const ProductTerm*> used;
    if (cell.OutputEnable) used.push_back(&*cell.OutputEnable);
    text +=
        "  " + std::string(cell.ActiveHigh ? "" : "/") + pin + (cell.Registered ? " := " : " = ");
    // Every product term always false: the sum is GND.
    if (cell.Terms.empty()) text += "GND";
    for (std::size_t t = 0; t < cell.Terms.size(); ++t) {
      text += (t == 0 ? "" : " + ") + TermText(cell.Terms[t]);
      used.push_back(&cell.Terms[t]);
    }
    text += "\n";
    text += FeedbackNote(logic, used);
  }
  const std::pair<const char*, const OptionalTerm*> common[] = {
      {"AR (asynchronous reset of every register): ", &logic.AsyncReset},
      {"SP (synchronous preset of every register): ", &logic.SyncPreset}};
  for (const auto& [name, term] : common) {
    text += name + WhenText(*term) + "\n";
    if (*term) text += FeedbackNote(logic, {&**term});
  }
  text += "UES: ";
  text += HasUes(check.Read) ? UesHex(check.Fuses) : "none (QF5828: the map ends before it)";
  return text + "\n";
}

std::string ExplainJson(const MapLogic& logic, const JedecFileCheck& check) {
  Json olmc = Json::object();
  for (const OutputCell& cell : logic.Cells) {
    Json terms = Json::array();
    for (const ProductTerm& term : cell.Terms) terms.push_back(TermJson(term));
    olmc[std::to_string(cell.Pin)] = {
        {"mode", cell.Registered ? "registered" : "combinatorial"},
        {"polarity", cell.ActiveHigh ? "active-high" : "active-low"},
        {"feedback", cell.Registered ? "/Q" : "pin"},
        {"oe", TermJson(cell.OutputEnable)},
        {"terms", terms},
    };
  }
  return DumpJson({
      {"olmc", olmc},
      {"ar", TermJson(logic.AsyncReset)},
      {"sp", TermJson(logic.SyncPreset)},
      {"ues", HasUes(check.Read) ? Json(UesHex(check.Fuses)) : Json(nullptr)},
  });
}

// One differing fuse by its meaning: the part of the map, where it sits and what each value
// means there.
struct FuseDifference {
  const char* Part;  // "ar", "oe", "term", "sp", "s0", "s1" or "ues"
  std::string Where;
  bool InArray;  // an AND-array fuse, named with its row
  std::string ValueA;
  std::string ValueB;
};

FuseDifference DescribeDifference(int fuse, int inA, int inB) {
  const FuseMeaning meaning = MeaningOfFuse(fuse);
  const std::string pin = "pin " + std::to_string(meaning.Pin);
  const std::string input = ", input " + LiteralText(meaning.Input);
  FuseDifference d{"ues", "UES", false, std::to_string(inA), std::to_string(inB)};
  const auto values = [&](const char* zero, const char* one) {
    d.ValueA = inA != 0 ? one : zero;
    d.ValueB = inB != 0 ? one : zero;
  };
  switch (meaning.Role) {
    case FuseRole::AsyncReset:
      d = {"ar", "AR" + input, true, {}, {}};
      break;
    case FuseRole::SyncPreset:
      d = {"sp", "SP" + input, true, {}, {}};
      break;
    case FuseRole::OutputEnable:
      d = {"oe", pin + " output enable" + input, true, {}, {}};
      break;
    case FuseRole::ProductTerm:
      d = {"term", pin + " term " + std::to_string(meaning.Term) + input, true, {}, {}};
      break;
    case FuseRole::Polarity:
      d = {"s0", pin + " S0", false, {}, {}};
      values("active low", "active high");
      break;
    case FuseRole::Mode:
      d = {"s1", pin + " S1", false, {}, {}};
      values("registered", "combinatorial");
      break;
    case FuseRole::Signature:
    case FuseRole::None:
      break;
  }
  if (d.InArray) values("connected", "open");
  return d;
}

// A cell, or the AR or SP term, whose equation differs: as shown ("pin 21", "AR") and as
// named in JSON ("21", "ar").
struct EquationName {
  std::string Text;
  std::string Json;
};

std::vector<EquationName> DifferingEquations(const MapLogic& a, const MapLogic& b) {
  std::vector<EquationName> names;
  for (int k = 0; k < kOutputCellCount; ++k) {
    const std::string pin = std::to_string(a.Cells[k].Pin);
    if (!(a.Cells[k] == b.Cells[k])) names.push_back({"pin " + pin, pin});
  }
  if (a.AsyncReset != b.AsyncReset) names.push_back({"AR", "ar"});
  if (a.SyncPreset != b.SyncPreset) names.push_back({"SP", "sp"});
  return names;
}

}  // namespace

int RunExplain(const CliCall& call) {
  const JedecFileCheck check = CheckJedecOperand(call.Line.Operands().front(), call.In);
  const bool read =
      check.Status != CheckStatus::IoError && check.Status != CheckStatus::SyntaxError;
  if (read && check.Read.QfDeclared && !IsDeviceFuseCount(check.Read.Qf)) {
    call.Err << FormatVerdict(check) << "\ngantrel-cli explain: QF" << check.Read.Qf
             << " is another device's fuse count (not 5828, 5892 or 5893): its map is not a "
                "22V10's and is not explained, even with --force\n";
    return kExitFailed;
  }
  const int accepted =
      AcceptCheckedFile(check, call.Line.Has("--force"), "explain", "explained", call.Err);
  if (accepted != kExitOk) return accepted;
  const MapLogic logic = DecodeMapLogic(check.Fuses);
  call.Out << (call.Line.Has("--json") ? ExplainJson(logic, check) : ExplainText(logic, check));
  return kExitOk;
}

int RunDiff(const CliCall& call) {
  const JedecFileCheck a = CheckJedecOperand(call.Line.Operands()[0], call.In);
  const JedecFileCheck b = CheckJedecOperand(call.Line.Operands()[1], call.In);
  // A file the load refuses has no fuse map worth comparing: what was read of it, on an all-0
  // map, could pass for agreement.
  int refused = kExitOk;
  for (const JedecFileCheck* check : {&a, &b}) {
    if (check->Status == CheckStatus::Ok) continue;
    call.Err << FormatVerdict(*check) << "\n";
    refused = std::max(refused, check->Status == CheckStatus::IoError ? kExitUsage : kExitFailed);
  }
  if (refused != kExitOk) return refused;

  const std::vector<int> differing = DifferingFuses(a.Fuses, b.Fuses);
  const std::vector<EquationName> equations =
      DifferingEquations(DecodeMapLogic(a.Fuses), DecodeMapLogic(b.Fuses));
  std::ostream& out = call.Out;
  if (call.Line.Has("--json")) {
    Json names = Json::array();
    for (const EquationName& name : equations) names.push_back(name.Json);
    Json fuses = Json::array();
    for (const int fuse : differing) {
      const FuseMeaning meaning = MeaningOfFuse(fuse);
      const FuseDifference d = DescribeDifference(fuse, a.Fuses[fuse], b.Fuses[fuse]);
      fuses.push_back({
          {"fuse", fuse},
          {"address", FuseRowAddress(fuse)},
          {"part", d.Part},
          {"pin", meaning.Pin != 0 ? Json(meaning.Pin) : Json(nullptr)},
          {"term", meaning.Term > 0 ? Json(meaning.Term) : Json(nullptr)},
          {"input", d.InArray ? Json(LiteralText(meaning.Input)) : Json(nullptr)},
          {"a", d.ValueA},
          {"b", d.ValueB},
      });
    }
    out << DumpJson({{"differing", differing.size()},
                     {"compared", kDeviceFuseCount},
                     {"equations_differ", names},
                     {"fuses", fuses}});
    return differing.empty() ? kExitOk : kExitFailed;
  }

  if (differing.empty()) {
    out << "all " << kDeviceFuseCount << " fuses agree\n";
    return kExitOk;
  }
  out << differing.size() << " of " << kDeviceFuseCount << " fuses differ\n";
  for (const EquationName& name : equations) out << name.Text << ": the equation differs\n";
  if (equations.empty()) {
    out << "the equations agree: the fuses differ only in unused terms or the UES\n";
  }
  for (const int fuse : differing) {
    const FuseDifference d = DescribeDifference(fuse, a.Fuses[fuse], b.Fuses[fuse]);
    out << "fuse " << fuse;
    if (d.InArray) out << " (" << FuseRowAddress(fuse) << ")";
    out << ": " << d.Where << ": " << d.ValueA << " in A, " << d.ValueB << " in B\n";
  }
  return kExitFailed;
}

}  // namespace gantrel
