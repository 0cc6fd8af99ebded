// gantrel-cli's file commands (check, jedec) and its general options, run in-process, and the
// built binary's exit status.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "CliCommands.h"
#include "CliRun.h"
#include "JedecFraming.h"
#include "TestSupport.h"

namespace {

using gantrel::testing::Hex4;
using gantrel::testing::kExampleText;
using gantrel::testing::ReadFileBytes;
using gantrel::testing::SamplePath;

const char* const kExampleFuses = "*F0*L0000 11*L0131 1*L5808 1001*L5828 0100000101000010*";
const char* const kExampleEpoch = "1797136132";

// Runs check --json on `args`, expects `exitStatus` and a valid JSON array of one object per
// file, and returns that array.
QJsonArray RunCheckJson(const std::vector<std::string>& args, int exitStatus) {
  const CliOutcome run = Cli(args);
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
  const std::string mismatch = "*QF5892*F0*L0 1*C4432*";
  const std::string mismatchSum = Hex4(gantrel::TransmissionChecksum(mismatch));
  const std::string lowerFiveDigits = "1" + QString::fromStdString(sum).toLower().toStdString();
  const std::string tc = "\n: transmission checksum ";
  const std::string ok = ": ok: 5892 fuses, checksum 0001" + tc;
  const std::string absent = tc + "absent (no ETX, or no hex digit after it)";
  const std::string bits = ", expected a fuse digit 0 or 1, white space or '*'";
  const std::vector<CheckCase> cases = {
      {"example.jed", kExampleText, 0, ": ok: 5892 fuses, checksum 0060" + absent, "ok absent - -"},
      // Lines and columns count from the file's first byte, the banner before the STX included.
      {"stx.jed", "junk\r\n\x02hdr\r\n*L0000 01\r\n  1x0*\x03" + std::string("0000"), 1,
       ":4:4: syntax error: found 'x'" + bits + tc +
           "wrong: the file states 0000, its text gives 046B",
       "syntax-error mismatch 4 4"},
      {"missing\"back\\slash\x01tab\t\xFFlatin.jed", "", 2,
       ": cannot open: No such file or directory", "io-error - - -"},
      {"control.jed", "*QF5892\r\n*L0000 1\x01*", 1,
       ":2:9: syntax error: found 0x01" + bits + absent, "syntax-error absent 2 9"},
      {"mismatch.jed", "\x02" + mismatch + "\x03" + mismatchSum, 1,
       ": checksum mismatch: given 4432, computed 0001 over QF5892 fuses" + tc + mismatchSum +
           " ok",
       "checksum-mismatch ok - -"},
      // Each declared count is judged alone; 0 is a count too.
      {"qf.jed", "*QP24*QF0*F0*", 1, ": for another device: QF0 (not 5828, 5892 or 5893)" + absent,
       "other-device absent - -"},
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
    EXPECT_EQ(Cli({"check", args.back()}).ExitStatus, c.ExitStatus) << c.Name;
  }
  // Together, every file is checked, after one that cannot be read too; the highest status
  // applies.
  const CliOutcome all = Cli(args);
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
    // Declared where the count is not 0, and where qf.jed declares QF0.
    EXPECT_TRUE(object["qf_declared"].isBool() && object["qp_declared"].isBool());
    EXPECT_EQ(object["qf_declared"].toBool(),
              object["qf"].toInt() != 0 || cases[i].Name == "qf.jed");
    EXPECT_EQ(object["qp_declared"].toBool(), object["qp"].toInt() != 0);
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
  const std::string mismatch = Scratch("mismatch.jed", "*QF5892*F0*L0 1*C4432*");
  const std::string other = Scratch("other.jed", "*QF2194*F0*");
  ExpectCliCases({
      {{"jedec", example}, 0, {kExampleText}, "", {kExampleEpoch}},
      {{"jedec", example, "--frame", "-o", framed}, 0, {}, "", {kExampleEpoch}},
      // A syntax error is never written; a checksum mismatch or another device only forced.
      {{"jedec", broken, "--force"}, 1, {}, broken + ":1:9: syntax error: found 'x'"},
      {{"jedec", mismatch}, 1, {}, "given 4432, computed 0001 over QF5892 fuses\nUse --force to"},
      {{"jedec", other}, 1, {}, "QF2194 (not 5828, 5892 or 5893)\nUse --force to write it anyway."},
      {{"jedec", "-", "--force"},
       0,
       {"JEDEC file for ", "*C0001\r\n*"},
       "written anyway",
       {},
       "*QF5892*F0*L0 1*C4432*"},
      {{"jedec", Scratch("none.jed")}, 2, {}, "none.jed: cannot open"},
      {{"jedec", example}, 2, {}, "SOURCE_DATE_EPOCH must be", "12abc"},
      {{"jedec", example}, 2, {}, "up to the year 9999", "253402300800"},
      {{"jedec", example},
       0,
       {"JEDEC file for ATF22LV10C created on Fri Dec 31 23:59:59 9999\r\n", "*C0060\r\n*"},
       "",
       "253402300799"},
  });
  EXPECT_EQ(ReadFileBytes(framed), "\x02" + std::string(kExampleText) + "\x03" +
                                       Hex4(gantrel::TransmissionChecksum(kExampleText)));
}

TEST(CliUsage, HelpVersionAndUsageErrors) {
  ExpectCliCases({
      {{"--help"}, 0, {"Usage: gantrel-cli COMMAND", ""}, ""},
      {{"program", "--help"}, 0, {"Usage: gantrel-cli program", "--simulate-fault FAULT", ""}, ""},
      {{"--version"}, 0, {"gantrel-cli " GANTREL_VERSION "\n"}, ""},
  });
  for (const char* line :
       {"", "frobnicate", "check", "check --yaml x.jed", "jedec a.jed b.jed", "jedec a.jed -o",
        "diff a.jed", "explain", "explain --frame a.jed", "pes extra", "program --simulate"}) {
    std::istringstream words(line);
    const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
    ExpectCliCases({{args, 2, {}, "--help'.\n"}});
  }
}

// The built binary: its exit status reaches the shell, and a report that standard output does
// not take is a failure to write.
TEST(CliBinary, ExitStatusAndAReportThatCannotBeWritten) {
  const std::string example = Scratch("example.jed", kExampleText);
  const std::pair<std::string, int> runs[] = {{"--version >/dev/null", 0},
                                              {"frobnicate", 2},
                                              {"explain - >/dev/null <" + example, 0},
                                              {"check " + example + " >/dev/full", 2},
                                              {"explain - >/dev/full <" + example, 2}};
  for (const auto& [words, status] : runs) {
    const std::string line = GANTREL_CLI_PATH " " + words + " 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(line.c_str())), status) << words;
  }
  // In-process, the message comes once.
  std::ofstream full("/dev/full");
  std::istringstream none;
  std::ostringstream err;
  EXPECT_EQ(gantrel::RunCli({"jedec", example}, none, full, err, {}), 2);
  EXPECT_EQ(err.str(), "gantrel-cli: cannot write to standard output\n");
}

}  // namespace
