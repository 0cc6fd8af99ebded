// gantrel-cli explain and diff: hand-made maps whose equations are known, the column order one
// signal at a time, and the real 22V10 samples.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>

#include "CliRun.h"

namespace {

// The array inputs across each 44-fuse row: column 2j carries the pin's signal, 2j+1 its
// complement.
constexpr int kColumnOrder[] = {1,  23, 2,  22, 3,  21, 4,  20, 5,  19, 6,
                                18, 7,  17, 8,  16, 9,  15, 10, 14, 11, 13};

// An L field for array row `row` with only `literals` ("5", "/5") connected; none: always true.
std::string Row(int row, const std::vector<std::string>& literals) {
  std::string digits(44, '1');
  for (const std::string& literal : literals) {
    const bool complement = literal[0] == '/';
    const int pin = std::stoi(literal.substr(complement ? 1 : 0));
    const auto j =
        std::find(std::begin(kColumnOrder), std::end(kColumnOrder), pin) - std::begin(kColumnOrder);
    digits[2 * j + (complement ? 1 : 0)] = '0';
  }
  return "L" + std::to_string(row * 44) + " " + digits + "*";
}

// A map over fuses that start all 0 (every input connected: every term always false, every
// cell registered and active low), and a part of each form that explain gives of it.
struct ExplainCase {
  std::string Name;
  std::string Fuses;
  std::string Json;  // parts of explain --json: {"JSON pointer": the value there, ...}
  std::string Text;  // lines of the text form
};

TEST(CliExplain, HandMadeMapsGiveTheirKnownEquationsInJsonAndText) {
  const std::vector<ExplainCase> cases = {
      // Rows 1 and 2 are pin 23's output enable and first term; pin 21 is combinatorial.
      {"combinatorial active high, always enabled, an unused row, pin feedback",
       "L5808 11*L5812 01*" + Row(1, {}) + Row(2, {"2", "/3"}) + Row(3, {"2", "/2", "5"}) +
           Row(4, {"/21"}),
       R"({"/olmc/23": {"mode": "combinatorial", "polarity": "active-high", "feedback": "pin", )"
       R"("oe": [], "terms": [["2", "/3"], ["/21"]]}})",
       "pin 23: combinatorial, active high, output always enabled\n  23 = 2 * /3 + /21\npin 22:"},
      // Pin 17: output enable in row 83, terms in rows 84 to 97; pin 14 is registered.
      {"registered active low, enabled by a term, register feedback",
       Row(83, {"4", "/5"}) + Row(84, {"2", "/3"}) + Row(97, {"9", "14"}),
       R"({"/olmc/17": {"mode": "registered", "polarity": "active-low", "feedback": "/Q", )"
       R"("oe": ["4", "/5"], "terms": [["2", "/3"], ["9", "14"]]}})",
       "pin 17: registered, active low, output enabled when 4 * /5\n  /17 := 2 * /3 + 9 * 14\n"
       "  (14 here: the register's /Q of that pin)\npin 16:"},
      {"registered active high, never enabled, an always-true term", "L5826 10*" + Row(123, {}),
       R"({"/olmc/14": {"mode": "registered", "polarity": "active-high", "feedback": "/Q", )"
       R"("oe": null, "terms": [[]]}})",
       "pin 14: registered, active high, output never enabled\n  14 := VCC\nAR"},
      {"combinatorial active low, every term false", "L5814 01*" + Row(34, {}),
       R"({"/olmc/20": {"mode": "combinatorial", "polarity": "active-low", "feedback": "pin", )"
       R"("oe": [], "terms": []}})",
       "pin 20: combinatorial, active low, output always enabled\n"
       "  /20 = GND\npin 19:"},
      {"AR by a term, SP never", Row(0, {"1", "/13"}), R"({"/ar": ["1", "/13"], "/sp": null})",
       "AR (asynchronous reset of every register): when 1 * /13\n"
       "SP (synchronous preset of every register): never\n"},
      {"SP always", Row(131, {}), R"({"/sp": []})",
       "SP (synchronous preset of every register): always\n"},
  };
  for (const ExplainCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const nlohmann::json json =
        nlohmann::json::parse(Cli({"explain", "--json", "-"}, {}, "*F0*" + c.Fuses).Out);
    const nlohmann::json expected = nlohmann::json::parse(c.Json);
    for (const auto& [where, value] : expected.items())
      EXPECT_EQ(json[nlohmann::json::json_pointer(where)], value) << where;
    const std::string text = Cli({"explain", "-"}, {}, "*F0*" + c.Fuses).Out;
    EXPECT_NE(text.find(c.Text), std::string::npos) << text;
  }
}

TEST(CliExplain, OneMapPerSignalShowsEachColumnPairAsSignalThenComplement) {
  for (const int number : kColumnOrder) {
    const std::string pin = std::to_string(number);
    const std::string fuses = "*F0*L5808 11*" + Row(1, {}) + Row(2, {pin}) + Row(3, {"/" + pin});
    const std::string text = Cli({"explain", "-"}, {}, fuses).Out;
    EXPECT_NE(text.find("\n  23 = " + pin + " + /" + pin + "\n"), std::string::npos) << text;
  }
}

TEST(CliExplain, BadOrForeignFilesAreRefusedAndThePlccPackageIsNamed) {
  const std::string mismatch = Scratch("mismatch.jed", "*QF5892*F0*L0 1*C4432*");
  ExpectCliCases({
      // The decoder example's signature, "DECODER".
      {{"explain", GANTREL_EXAMPLES_DIR "/decoder.jed"}, 0, "UES: 4445434F44455200", ""},
      {{"explain", "-", "--force"}, 1, "", "-:1:9: syntax error: found 'x'", {}, "*L0000 1x*"},
      {{"explain", mismatch}, 1, "", "computed 0001 over QF5892 fuses\nUse --force to explain"},
      {{"explain", mismatch, "--force"}, 0, "pin 23: ", "(explained anyway: --force)"},
      {{"explain", "-", "--force"}, 1, "", "QF2194 is another device's", {}, "*QF2194*F0*"},
      // An empty input (a read that wrote nothing) sets no fuse; a partial map only forced.
      {{"explain", "-", "--force"}, 1, "", "-: no fuses: the text has no F field", {}, ""},
      {{"explain", "-"}, 1, "", "set 1 of the 5892 fuses\nUse --force to explain", {}, "*L2 1*"},
      {{"explain", "-"}, 2, "", "-: larger than 1 MiB", {}, std::string(1024 * 1024 + 1, '*')},
      {{"explain", "-"}, 0, "(QP28); pins are shown by their DIP numbers.\n", "", {}, "*QP28*F0*"},
      // A map of 5828 fuses has no signature.
      {{"explain", "--json", "-"}, 0, "\"ues\": null\n}\n", "", {}, "*QF5828*F0*"},
  });
}

TEST(CliDiff, DifferingMapsNameTheEquationsThenEachFuseByItsMeaning) {
  const std::string a = Scratch("a.jed", "*F0*L5 1*L5810 1*L5830 1*");
  const std::string b = Scratch("b.jed", "*F0*L101 1*");
  const std::string cut = Scratch("cut-short.jed", "*F0*L0 11x*L5 1*");
  // Rows 0 and 2 stay always false; S0 of pin 22 changes its equation.
  const std::string aToB =
      "4 of 5892 fuses differ\npin 22: the equation differs\n"
      "fuse 5 (L0000): AR, input /2: open in A, connected in B\n"
      "fuse 101 (L0088): pin 23 term 1, input /4: connected in A, open in B\n"
      "fuse 5810: pin 22 S0: active high in A, active low in B\n"
      "fuse 5830: UES: 1 in A, 0 in B\n";
  ExpectCliCases({
      {{"diff", a, b}, 1, aToB, ""},
      {{"diff", b, "-"}, 1, "the equations agree: the fuses differ only in", "", {}, "*F0*"},
      // Pin 23's cell alone: its term 1 takes input 2 in A, 3 in B.
      {{"diff", Scratch("p2.jed", "*F0*" + Row(2, {"2"})), "-"},
       1,
       "pin 23: the equation differs\nfuse 92 (L0088): pin 23 term 1, input 2: connected in A",
       "",
       {},
       "*F0*" + Row(2, {"3"})},
      // A file failing its check is not compared: fuse 5 was never read.
      {{"diff", cut, "-"}, 1, "", cut + ":1:10: syntax error", {}, "*F0*L0 11*"},
      {{"diff", a, "-"}, 1, "", "-: partial: no F field", {}, "*L5 1*"},
      {{"diff", a, Scratch("none.jed")}, 2, "", "none.jed: cannot open"},
  });
  const CliOutcome json =
      Cli({"diff", "--json", b, Scratch("d.jed", "*F0*L101 1*L1234 1*L5811 1*")});
  EXPECT_EQ(nlohmann::json::parse(json.Out), nlohmann::json::parse(R"({
      "differing": 2, "compared": 5892, "equations_differ": ["22"], "fuses": [
      {"fuse": 1234, "address": "L1232", "part": "term", "pin": 21, "term": 7, "input": "23",
       "a": "connected", "b": "open"},
      {"fuse": 5811, "address": "L5808", "part": "s1", "pin": 22, "term": null, "input": null,
       "a": "registered", "b": "combinatorial"}]})"));
}

TEST(CliExplain, EveryTwentyTwoVTenSampleIsExplainedWithoutError) {
  GANTREL_REQUIRE_SAMPLES_OR_SKIP();
  for (const auto& row : gantrel::testing::ReadManifest()) {
    if (row.at("family") != "22V10") continue;
    const nlohmann::json json = nlohmann::json::parse(
        Cli({"explain", "--json", "--force", gantrel::testing::SamplePath(row.at("file"))}).Out);
    EXPECT_EQ(json["olmc"].size(), 10u) << row.at("file");
  }
}

}  // namespace
