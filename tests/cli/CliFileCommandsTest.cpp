// gantrel-cli's file commands (check, jedec, diff) and its general options, run as a process.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <iterator>
#include <sstream>

#include "CliProcess.h"
#include "JedecFraming.h"
#include "TestSupport.h"

namespace {

using gantrel::testing::Hex4;
using gantrel::testing::kExampleText;
using gantrel::testing::ReadFileBytes;
using gantrel::testing::ExamplePath;
using gantrel::testing::SamplePath;

const char* const kExampleFuses = "*F0*L0000 11*L0131 1*L5808 1001*L5828 0100000101000010*";
const char* const kExampleEpoch = "SOURCE_DATE_EPOCH=1797136132";
// Fuse 0 set, and a checksum that does not match it.
const char* const kMismatch = "mismatch\r\n*QP24*QF5892*F0*L0 1*C4432*\r\n";

// Runs check --json on `args`, expects `exitStatus` and a valid JSON array of one object per
// file, and returns that array.
QJsonArray RunCheckJson(const std::vector<std::string>& args, int exitStatus) {
  const CliOutcome run = RunCli(args);
  EXPECT_EQ(run.ExitStatus, exitStatus);
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(run.Out));
  EXPECT_TRUE(document.isArray()) << run.Out;  // not when the text is no valid JSON
  EXPECT_EQ(document.array().size(), static_cast<qsizetype>(args.size() - 2));
  return document.array();
}

// A JSON value as the manifest writes it: "-" for null.
std::string Field(const QJsonValue& value) {
  return value.isNull() ? "-" : value.toVariant().toString().toStdString();
}

// One file for check: what it says after the file's path, exit status and JSON fields.
struct CheckCase {
  std::string Name;
  std::string Bytes;  // none: the file is missing
  int ExitStatus;
  std::string Text;  // stdout, the path before each line; stderr for a missing file
  std::string Json;  // status, transmission, line and column
};

TEST(CliCheck, EachVerdictInTextAndJsonAndTheHighestExitStatusOfSeveral) {
  const std::string text = "hdr\r\n*QP24*QF5892*F0*L0 1*C0001*\r\n";
  const std::string lf = "hdr\n*QP24*QF5892*F0*L0 1*C0001*\n";
  const std::string sum = Hex4(gantrel::TransmissionChecksum(text));
  const std::string wrong = Hex4(gantrel::TransmissionChecksum(text) + 1);
  const std::string lowerFiveDigits = "1" + QString::fromStdString(sum).toLower().toStdString();
  const std::string tc = "\n: transmission checksum ";
  const std::string ok = ": ok: 5892 fuses, checksum 0001" + tc;
  const std::string absent = tc + "absent (no ETX, or no hex digit after it)";
  const std::string bits = ", expected a fuse digit 0 or 1, white space or '*'";
  const std::vector<CheckCase> cases = {
      {"decoder.jed", ReadFileBytes(ExamplePath("decoder.jed")), 0,
       ": ok: 5892 fuses, checksum 38C8" + tc + "9378 ok", "ok ok - -"},
      // Lines and columns count from the file's first byte, the banner before the STX included.
      {"stx.jed", "junk\r\n\x02hdr\r\n*L0000 01\r\n  1x0*\x03" + std::string("0000"), 1,
       ":4:4: syntax error: found 'x'" + bits + tc +
           "wrong: the file states 0000, its text gives 046B",
       "syntax-error mismatch 4 4"},
      {"missing\"back\\slash\x01tab\t\xFFlatin.jed", "", 2,
       ": cannot open: No such file or directory", "io-error - - -"},
      {"control.jed", "*QF5892\r\n*L0000 1\x01*", 1,
       ":2:9: syntax error: found 0x01" + bits + absent, "syntax-error absent 2 9"},
      {"mismatch.jed", kMismatch, 1,
       ": checksum mismatch: given 4432, computed 0001 over QF5892 fuses" + absent,
       "checksum-mismatch absent - -"},
      // Each declared count is judged alone.
      {"qf.jed", "*QP24*QF2194*F0*", 1,
       ": for another device: QF2194 (not 5828, 5892 or 5893)" + absent, "other-device absent - -"},
      {"qp.jed", "*QP20*F0*", 1, ": for another device: QP20 (not 24 or 28)" + absent,
       "other-device absent - -"},
      // A transmission checksum alone never makes a file bad. Lower-case and five-digit sums
      // are read too; the low 16 bits count.
      {"five.jed", "\x02" + text + "\x03" + lowerFiveDigits, 0, ok + sum + " ok", "ok ok - -"},
      {"lf.jed", "\x02" + lf + "\x03" + sum, 0,
       ok + sum +
           " matches only with CR LF and LF swapped: the line endings were converted after the "
           "file was written",
       "ok line-endings - -"},
      {"wrong.jed", "\x02" + text + "\x03" + wrong, 0,
       ok + "wrong: the file states " + wrong + ", its text gives " + sum, "ok mismatch - -"},
      // A file of more than 1 MiB is refused, and said so once.
      {"big.jed", std::string(gantrel::kMaxJedecFileBytes + 1, '*'), 2, ": larger than 1 MiB",
       "io-error - - -"},
  };
  std::vector<std::string> args = {"check"};
  std::string allOut, allErr;
  for (const CheckCase& c : cases) {
    args.push_back(Scratch(c.Name, c.Bytes));
    std::string said = args.back() + c.Text + "\n";
    for (std::size_t at = 0; (at = said.find("\n:", at)) != std::string::npos;)
      said.insert(++at, args.back());
    (c.ExitStatus == 2 ? allErr : allOut) += said;
    EXPECT_EQ(RunCli({"check", args.back()}).ExitStatus, c.ExitStatus) << c.Name;
  }
  // Together, every file is checked, after one that cannot be read too; the highest status
  // applies.
  const CliOutcome all = RunCli(args);
  EXPECT_EQ(all.ExitStatus, 2);
  EXPECT_EQ(all.Out, allOut);
  EXPECT_EQ(all.Err, allErr);
  args.insert(args.begin() + 1, "--json");
  const QJsonArray array = RunCheckJson(args, 2);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const QJsonObject object = array[static_cast<qsizetype>(i)].toObject();
    // A byte that is not UTF-8 comes back as its Latin-1 reading.
    EXPECT_EQ(object["file"].toString(), QString::fromLatin1(args[i + 2]));
    std::string fields = Field(object["status"]);
    for (const char* key : {"transmission", "line", "column"}) fields += " " + Field(object[key]);
    EXPECT_EQ(fields, cases[i].Json);
    EXPECT_TRUE(object["qp"].isDouble() && object["qf"].isDouble()) << "numbers, 0 when absent";
  }
}

TEST(CliCheck, JsonAgreesWithTheManifestForEverySample) {
  GANTREL_REQUIRE_SAMPLES_OR_SKIP();
  const auto manifest = gantrel::testing::ReadManifest();
  ASSERT_EQ(manifest.size(), 60u);
  std::vector<std::string> args = {"check", "--json"};
  for (const auto& row : manifest) args.push_back(SamplePath(row["file"]));
  const QJsonArray array = RunCheckJson(args, 1);  // some samples are for other devices
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    const auto& row = manifest[i];
    SCOPED_TRACE(row["file"]);
    const QJsonObject object = array[static_cast<qsizetype>(i)].toObject();
    const bool other = row["reader"] == "ok" && row["device"] == "other-device";
    EXPECT_EQ(Field(object["status"]), other ? "other-device" : row["reader"]);
    EXPECT_EQ(Field(object["file"]), SamplePath(row["file"]));
    for (const char* key : {"result", "length", "qf", "qp", "given_checksum", "computed_checksum"})
      EXPECT_EQ(Field(object[key]), row[key]) << key;
    EXPECT_EQ(Field(object["fuse_checksum"]), row["fuse_checksum_5892"]);
    EXPECT_EQ(Field(object["line"]) + Field(object["column"]) == "--",
              row["reader"] != "syntax-error");
  }
}

TEST(CliJedec, WritesTheWriterExampleFramedOrNotAndRefusesBadFilesUnlessForced) {
  const std::string example = Scratch("example.jed", kExampleFuses);
  const std::string framed = Scratch("framed-example.jed");
  const std::string broken = Scratch("broken.jed", "*L0000 1x*");
  const std::string mismatch = Scratch("mismatch.jed", kMismatch);
  const std::string other = Scratch("16v8.jed", "GAL16V8\r\n*QF2194*F0*L0 1*C0001*\r\n");
  ExpectCliCases({
      {{"jedec", example}, 0, {kExampleText}, "", {kExampleEpoch}},
      {{"jedec", example, "--frame", "-o", framed}, 0, {}, "", {kExampleEpoch}},
      // A syntax error is never written; a checksum mismatch or another device only forced.
      {{"jedec", broken, "--force"}, 1, {}, broken + ":1:9: syntax error: found 'x'"},
      {{"jedec", mismatch}, 1, {}, "given 4432, computed 0001 over QF5892 fuses\nUse --force to"},
      {{"jedec", other}, 1, {}, "QF2194 (not 5828, 5892 or 5893)\nUse --force to write it anyway."},
      {{"jedec", mismatch, "--force"}, 0, {"JEDEC file for ", "*C0001\r\n*"}, "written anyway"},
      {{"jedec", Scratch("none.jed")}, 2, {}, "none.jed: cannot open"},
      {{"jedec", example}, 2, {}, "SOURCE_DATE_EPOCH must be", {"SOURCE_DATE_EPOCH=12abc"}},
  });
  EXPECT_EQ(gantrel::testing::ReadFileBytes(framed),
            "\x02" + std::string(kExampleText) + "\x03" +
                Hex4(gantrel::TransmissionChecksum(kExampleText)));
}

TEST(CliDiff, ListsDifferingFusesWithTheirRowThenASummary) {
  const std::string a = Scratch("a.jed", "*F0*L5 1*L100 1*L5810 1*L5830 1*");
  const std::string broken = Scratch("broken-at-10.jed", "*F0*L0 11x*L5 1*");
  const std::string sample = ExamplePath("decoder.jed");
  const std::string canonical = Scratch("canonical.jed");
  ExpectCliCases({
      {{"diff", a, Scratch("b.jed", "*F0*L101 1*")},
       1,
       {"fuse 5 (L0000): A=1 B=0\nfuse 100 (L0088): A=1 B=0\nfuse 101 (L0088): A=0 B=1\n"
        "fuse 5810 (L5808): A=1 B=0\nfuse 5830 (L5828): A=1 B=0\n5 of 5892 fuses differ\n"},
       ""},
      {{"jedec", sample, "-o", canonical}, 0, {}, ""},
      {{"diff", sample, canonical}, 0, {"all 5892 fuses agree\n"}, ""},
      // A file failing its check is compared as far as it was read: fuse 5 never was.
      {{"diff", broken, Scratch("good.jed", "*F0*L0 11*")},
       0,
       {"all 5892 fuses agree\n"},
       broken + ":1:10: syntax error: found 'x', expected a fuse digit 0 or 1, white space or '*' "
                "(compared as far as it was read)\n"},
      {{"diff", a, Scratch("none.jed")}, 2, {}, "none.jed: cannot open"},
  });
  // A report that cannot be written is never a success.
  for (const std::string& words : {"check " + sample, "diff " + sample + " " + canonical}) {
    const std::string line = GANTREL_CLI_PATH " " + words + " >/dev/full 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(line.c_str())), 2) << words;
  }
}

TEST(CliUsage, HelpVersionAndUsageErrors) {
  ExpectCliCases({
      {{"--help"}, 0, {"Usage: gantrel-cli COMMAND", ""}, ""},
      {{"program", "--help"}, 0, {"Usage: gantrel-cli program", "--simulate-fault FAULT", ""}, ""},
      {{"--version"}, 0, {"gantrel-cli " GANTREL_VERSION "\n"}, ""},
  });
  for (const char* line : {"", "frobnicate", "check", "check --yaml x.jed", "jedec a.jed b.jed",
                           "jedec a.jed -o", "diff a.jed", "pes extra", "program --simulate"}) {
    std::istringstream words(line);
    const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    ExpectCliCases({{args, 2, {}, "--help'.\n"}});
  }
}

}  // namespace
