// gantrel-cli explain and diff: hand-made maps whose equations are known, the column order one
// signal at a time, and the real 22V10 samples.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "CliRun.h"
#include "JedecFraming.h"
#include "TestSupport.h"

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

// Runs explain --json on `fuses` (on stdin) and returns the value at `key`: a pin in "olmc",
// or "ar", "sp" or "ues".
QJsonValue ExplainJson(const std::string& fuses, const std::string& key) {
  const CliOutcome run = Cli({"explain", "--json", "-"}, {}, fuses);
  EXPECT_EQ(run.ExitStatus, 0) << run.Err;
  const QJsonObject all = QJsonDocument::fromJson(QByteArray::fromStdString(run.Out)).object();
  const QString name = QString::fromStdString(key);
  return all.contains(name) ? all[name] : all["olmc"].toObject()[name];
}

std::string Compact(const QJsonValue& value) {
  return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

// A map over fuses that start all 0 (every input connected: every term always false, every
// cell registered and active low), and one part of what explain makes of it.
struct ExplainCase {
  std::string Name;
  std::string Fuses;
  std::string Key;   // a pin, "ar" or "sp"
  std::string Json;  // its value in explain --json
  std::string Text;  // lines of the text form
};

TEST(CliExplain, HandMadeMapsGiveTheirEquationsInJsonAndText) {
  const std::vector<ExplainCase> cases = {
      // Rows 1 and 2 are pin 23's output enable and first term; pin 21 is combinatorial.
      {"combinatorial active high, always enabled, an unused row, pin feedback",
       "L5808 11*L5812 01*" + Row(1, {}) + Row(2, {"2", "/3"}) + Row(3, {"2", "/2", "5"}) +
           Row(4, {"/21"}),
       "23",
       R"({"mode": "combinatorial", "polarity": "active-high", "feedback": "pin", "oe": [],
           "terms": [["2", "/3"], ["/21"]]})",
       "pin 23: combinatorial, active high, output always enabled\n  23 = 2 * /3 + /21\npin 22:"},
      // Pin 17: output enable in row 83, terms in rows 84 to 97; pin 14 is registered.
      {"registered active low, enabled by a term, register feedback",
       Row(83, {"4", "/5"}) + Row(84, {"2", "/3"}) + Row(97, {"9", "14"}), "17",
       R"({"mode": "registered", "polarity": "active-low", "feedback": "/Q", "oe": ["4", "/5"],
           "terms": [["2", "/3"], ["9", "14"]]})",
       "pin 17: registered, active low, output enabled when 4 * /5\n  /17 := 2 * /3 + 9 * 14\n"
       "  (14 here: the register's /Q of that pin)\npin 16:"},
      {"registered active high, never enabled, an always-true term", "L5826 10*" + Row(123, {}),
       "14",
       R"({"mode": "registered", "polarity": "active-high", "feedback": "/Q", "oe": null,
           "terms": [[]]})",
       "pin 14: registered, active high, output never enabled\n  14 := 1\nAR"},
      {"combinatorial active low, every term false", "L5814 01*" + Row(34, {}), "20",
       R"({"mode": "combinatorial", "polarity": "active-low", "feedback": "pin", "oe": [],
           "terms": []})",
       "pin 20: combinatorial, active low, output always enabled\n"
       "  every product term is always false\npin 19:"},
      {"AR by a term", Row(0, {"1", "/13"}), "ar", R"(["1", "/13"])",
       "AR (asynchronous reset of every register): when 1 * /13\n"},
      {"SP always", Row(131, {}), "sp", "[]",
       "SP (synchronous preset of every register): always\n"},
      {"SP never", "", "sp", "null", "SP (synchronous preset of every register): never\n"},
  };
  for (const ExplainCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string fuses = "*F0*" + c.Fuses;
    const QJsonValue expected =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + c.Json + "]")).array()[0];
    const QJsonValue actual = ExplainJson(fuses, c.Key);
    EXPECT_EQ(actual, expected) << Compact(actual);
    const CliOutcome text = Cli({"explain", "-"}, {}, fuses);
    EXPECT_NE(text.Out.find(c.Text), std::string::npos) << text.Out;
  }
}

TEST(CliExplain, EachColumnPairIsItsSignalThenItsComplement) {
  for (const int pin : kColumnOrder) {
    const std::string signal = std::to_string(pin);
    const std::string fuses =
        "*F0*L5808 11*" + Row(1, {}) + Row(2, {signal}) + Row(3, {"/" + signal});
    const QJsonValue terms = ExplainJson(fuses, "23").toObject()["terms"];
    EXPECT_EQ(Compact(terms), "[[[\"" + signal + "\"],[\"/" + signal + "\"]]]") << pin;
  }
}

TEST(CliExplain, RefusesWhatIsNoTwentyTwoVTenMapAndSaysWhatPinsItNames) {
  const std::string broken = Scratch("broken.jed", "*L0000 1x*");
  const std::string mismatch = Scratch("mismatch.jed", "*QF5892*F0*L0 1*C4432*");
  const std::string other = Scratch("other.jed", "*QF2194*F0*");
  ExpectCliCases({
      // The decoder example's logic as its generator describes it.
      {{"explain", gantrel::testing::ExamplePath("decoder.jed")},
       0,
       {"pin 23: combinatorial, active high, output always enabled\n  23 = /2 * /3 * 4\n",
        "\npin 19: registered, active high, output always enabled\n  19 := 5\n",
        "\nUES: 4445434F44455200\n"},
       ""},
      {{"explain", broken, "--force"}, 1, {}, broken + ":1:9: syntax error: found 'x'"},
      {{"explain", mismatch}, 1, {}, "computed 0001 over QF5892 fuses\nUse --force to explain"},
      {{"explain", mismatch, "--force"}, 0, {"pin 23: ", "\n"}, "(explained anyway: --force)"},
      {{"explain", other, "--force"}, 1, {}, "QF2194 is another device's fuse count"},
      {{"explain", Scratch("none.jed")}, 2, {}, "none.jed: cannot open"},
      {{"explain", "-"},
       2,
       {},
       "-: larger than 1 MiB",
       {},
       std::string(gantrel::kMaxJedecFileBytes + 1, '*')},
      {{"explain", "-"},
       0,
       {"The file is for the 28-pin PLCC package (QP28); pins are shown by "
        "their DIP numbers.\npin 23: ",
        "\n"},
       "",
       {},
       "*QP28*F0*"},
      // A map of 5828 fuses has no signature.
      {{"explain", "--json", "-"},
       0,
       {"{\n  \"olmc\": {\n    \"23\": ", "\"ues\": null\n}\n"},
       "",
       {},
       "*QF5828*F0*"},
  });
}

TEST(CliDiff, NamesEachFuseByItsMeaningAfterTheEquationsThatDiffer) {
  const std::string a = Scratch("a.jed", "*F0*L5 1*L100 1*L5810 1*L5830 1*");
  const std::string b = Scratch("b.jed", "*F0*L101 1*");
  const std::string broken = Scratch("broken-at-10.jed", "*F0*L0 11x*L5 1*");
  ExpectCliCases({
      // Rows 0 and 2 stay always false; S0 of pin 22 changes its equation.
      {{"diff", a, b},
       1,
       {"5 of 5892 fuses differ\npin 22: the equation differs\n"
        "fuse 5 (L0000): AR, input /2: open in A, connected in B\n"
        "fuse 100 (L0088): pin 23 term 1, input 4: open in A, connected in B\n"
        "fuse 101 (L0088): pin 23 term 1, input /4: connected in A, open in B\n"
        "fuse 5810: pin 22 S0: active high in A, active low in B\n"
        "fuse 5830: UES: 1 in A, 0 in B\n"},
       ""},
      {{"diff", b, "-"},
       1,
       {"1 of 5892 fuses differ\n"
        "the equations agree: the fuses differ only in unused terms or the UES\n"
        "fuse 101 (L0088): pin 23 term 1, input /4: open in A, connected in B\n"},
       "",
       {},
       "*F0*"},
      {{"diff", "--json", b, Scratch("d.jed", "*F0*L101 1*L1234 1*L5811 1*")},
       1,
       {"{\"differing\": 2, \"compared\": 5892, \"equations_differ\": [\"22\"],\n \"fuses\": [\n"
        "  {\"fuse\": 1234, \"address\": \"L1232\", \"part\": \"term\", \"pin\": 21, \"term\": 7, "
        "\"input\": \"23\", \"a\": \"connected\", \"b\": \"open\"},\n"
        "  {\"fuse\": 5811, \"address\": \"L5808\", \"part\": \"s1\", \"pin\": 22, \"term\": null, "
        "\"input\": null, \"a\": \"registered\", \"b\": \"combinatorial\"}\n ]}\n"},
       ""},
      {{"diff", a, a}, 0, {"all 5892 fuses agree\n"}, ""},
      // A file failing its check is compared as far as it was read: fuse 5 never was.
      {{"diff", broken, Scratch("good.jed", "*F0*L0 11*")},
       0,
       {"all 5892 fuses agree\n"},
       broken + ":1:10: syntax error: found 'x', expected a fuse digit 0 or 1, white space or '*' "
                "(compared as far as it was read)\n"},
      {{"diff", a, Scratch("none.jed")}, 2, {}, "none.jed: cannot open"},
  });
}

TEST(CliExplain, EveryTwentyTwoVTenSampleIsExplainedAndCompared) {
  GANTREL_REQUIRE_SAMPLES_OR_SKIP();
  std::string previous;
  for (const auto& row : gantrel::testing::ReadManifest()) {
    if (row["family"] != "22V10") continue;
    const std::string path = gantrel::testing::SamplePath(row["file"]);
    SCOPED_TRACE(path);
    const CliOutcome text = Cli({"explain", "--force", path});
    EXPECT_EQ(text.ExitStatus, 0) << text.Err;
    const CliOutcome json = Cli({"explain", "--json", "--force", path});
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json.Out));
    EXPECT_EQ(document["olmc"].toObject().size(), 10) << json.Out;
    if (!previous.empty()) {
      const CliOutcome diff = Cli({"diff", "--json", previous, path});
      EXPECT_TRUE(QJsonDocument::fromJson(QByteArray::fromStdString(diff.Out)).isObject());
    }
    previous = path;
  }
}

}  // namespace
