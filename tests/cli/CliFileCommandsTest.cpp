// gantrel-cli's file commands (check, jedec, diff) and its general options, run as a process.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "CliProcess.h"

namespace {

// The writer's example text: fuses 0, 1, 131, 5808, 5811 and the UES "AB".
const char* const kWriterExample =
    "JEDEC file for ATF22LV10C created on Sun Dec 13 04:28:52 2026\r\n"
    "*QP24\r\n*QF5892\r\n*QV0\r\n*F0\r\n*G0\r\n*X0\r\n"
    "*L0000 11000000000000000000000000000000000000000000\r\n"
    "*L0088 00000000000000000000000000000000000000000001\r\n"
    "*L5808 10010000000000000000\r\n"
    "*N UES 41 42 00 00 00 00 00 00\r\n"
    "*L5828 0100000101000010000000000000000000000000000000000000000000000000\r\n"
    "*N PES 31 46 32 32 4C 31 30 43 33 00\r\n"
    "*C0060\r\n*";
const char* const kExampleFuses = "*F0*L0000 11*L0131 1*L5808 1001*L5828 0100000101000010*";
const char* const kExampleEpoch = "SOURCE_DATE_EPOCH=1797136132";

std::string Hex4(unsigned value, bool upper = true) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, upper ? "%04X" : "%04x", value & 0xFFFF);
  return buffer;
}

// The transmission checksum as a framed file carries it: signed bytes of the text plus 5.
unsigned TransmissionSum(const std::string& text) {
  int sum = 5;
  for (const char c : text) sum += static_cast<signed char>(c);
  return static_cast<unsigned>(sum) & 0xFFFF;
}

QJsonArray ParseJsonArray(const std::string& text) {
  QJsonParseError error{};
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
  EXPECT_TRUE(document.isArray()) << text;
  return document.array();
}

std::string JsonText(const QJsonValue& value) {
  return value.toString().toStdString();
}

std::vector<std::vector<std::string>> ReadManifest() {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(ReadFile(Sample("MANIFEST.tsv")));
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, '\t')) fields.push_back(cell);
    if (fields.size() >= 15) rows.push_back(fields);
  }
  return rows;
}

TEST(CliCheck, OkSampleGivesFuseCountChecksumAndTransmission) {
  const CliOutcome run = RunCli({"check", Sample("ezrec__galpal__bldc.jed")});
  EXPECT_EQ(run.ExitStatus, 0);
  EXPECT_NE(run.Out.find("ezrec__galpal__bldc.jed: ok: 5892 fuses, checksum 9EDF\n"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("ezrec__galpal__bldc.jed: transmission checksum"), std::string::npos);
  EXPECT_EQ(run.Err, "");
}

TEST(CliCheck, SyntaxErrorIsPlacedInTheFileBeforeItsStx) {
  const std::string dir = MakeTempDir();
  // The x sits on line 4, column 4 of the file, counting the banner before the STX.
  const std::string path = WriteFile(dir, "bad.jed",
                                     "junk\r\n\x02hdr\r\n*L0000 01\r\n  1x0*\x03"
                                     "0000");
  const CliOutcome run = RunCli({"check", path});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_NE(run.Out.find(path + ":4:4: syntax error: found 'x', expected a fuse digit 0 or 1"),
            std::string::npos)
      << run.Out;

  const std::string control = WriteFile(dir, "control.jed", "*QF5892\r\n*L0000 1\x01*");
  const CliOutcome second = RunCli({"check", control});
  EXPECT_EQ(second.ExitStatus, 1);
  EXPECT_NE(second.Out.find(control + ":2:9: syntax error: found 0x01"), std::string::npos)
      << second.Out;
}

TEST(CliCheck, RejectedFilesSayWhyAndExitOne) {
  const CliOutcome mismatch = RunCli({"check", Sample("daveho__GALasm__GAL22V10.jed")});
  EXPECT_EQ(mismatch.ExitStatus, 1);
  EXPECT_NE(mismatch.Out.find("checksum mismatch: given 4432, computed 4478"), std::string::npos)
      << mismatch.Out;

  const CliOutcome other = RunCli({"check", Sample("simon-frankau__galette__GAL16V8_reg.jed")});
  EXPECT_EQ(other.ExitStatus, 1);
  EXPECT_NE(other.Out.find("for another device: QF2194"), std::string::npos) << other.Out;
}

TEST(CliCheck, HighestExitStatusOfSeveralFilesApplies) {
  const std::string ok = Sample("ezrec__galpal__bldc.jed");
  const std::string bad = Sample("daveho__GALasm__GAL22V10.jed");
  const std::string missing = MakeTempDir() + "/missing.jed";
  EXPECT_EQ(RunCli({"check", ok, ok}).ExitStatus, 0);
  EXPECT_EQ(RunCli({"check", ok, bad}).ExitStatus, 1);
  const CliOutcome run = RunCli({"check", missing, bad, ok});
  EXPECT_EQ(run.ExitStatus, 2);
  EXPECT_NE(run.Err.find(missing + ": cannot open"), std::string::npos) << run.Err;
  // The files after an unreadable one are still checked.
  EXPECT_NE(run.Out.find("ezrec__galpal__bldc.jed: ok"), std::string::npos);
}

TEST(CliCheck, JsonAgreesWithTheManifestForEverySample) {
  const auto manifest = ReadManifest();
  ASSERT_EQ(manifest.size(), 60u);
  std::vector<std::string> args = {"check", "--json"};
  for (const auto& row : manifest) args.push_back(Sample(row[0]));
  const CliOutcome run = RunCli(args);
  EXPECT_EQ(run.ExitStatus, 1);  // some samples are for other devices
  const QJsonArray array = ParseJsonArray(run.Out);
  ASSERT_EQ(array.size(), static_cast<qsizetype>(manifest.size()));
  for (std::size_t i = 0; i < manifest.size(); ++i) {
    const auto& row = manifest[i];
    SCOPED_TRACE(row[0]);
    const QJsonObject object = array[static_cast<qsizetype>(i)].toObject();
    std::string status = row[6];
    if (status == "ok" && row[14] == "other-device") status = "other-device";
    EXPECT_EQ(JsonText(object["file"]), Sample(row[0]));
    EXPECT_EQ(JsonText(object["status"]), status);
    EXPECT_EQ(object["result"].toInteger(-1), std::stoll(row[7]));
    EXPECT_EQ(object["length"].toInteger(-1), std::stoll(row[8]));
    EXPECT_EQ(object["qf"].toInteger(-1), std::stoll(row[9]));
    EXPECT_EQ(object["qp"].toInteger(-1), std::stoll(row[10]));
    EXPECT_EQ(JsonText(object["given_checksum"]), row[11]);
    if (row[12] == "-") {
      EXPECT_TRUE(object["computed_checksum"].isNull());
    } else {
      EXPECT_EQ(JsonText(object["computed_checksum"]), row[12]);
    }
    EXPECT_EQ(JsonText(object["fuse_checksum"]), row[13]);
    EXPECT_EQ(object["line"].isNull(), status != "syntax-error");
    EXPECT_EQ(object["column"].isNull(), status != "syntax-error");
    EXPECT_TRUE(object["transmission"].isString());
  }
}

TEST(CliCheck, JsonTellsEachTransmissionChecksum) {
  const std::string dir = MakeTempDir();
  const std::string text = "hdr\r\n*QP24*QF5892*F0*L0 1*C0001*\r\n";
  std::string lf = text;
  for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.replace(at, 2, "\n");
  const unsigned sum = TransmissionSum(text);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"absent", text},
      {"ok", "\x02" + text + "\x03" + Hex4(sum)},
      // Real files carry lower-case and five-digit sums; the low 16 bits count.
      {"ok", "\x02" + text +
                 "\x03"
                 "1" +
                 Hex4(sum, false)},
      {"line-endings", "\x02" + lf + "\x03" + Hex4(sum)},
      {"mismatch", "\x02" + text + "\x03" + Hex4(sum + 1)},
  };
  std::vector<std::string> args = {"check", "--json"};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    args.push_back(WriteFile(dir, "t" + std::to_string(i) + ".jed", cases[i].second));
  }
  const CliOutcome run = RunCli(args);
  EXPECT_EQ(run.ExitStatus, 0);  // a transmission checksum alone does not make a file bad
  const QJsonArray array = ParseJsonArray(run.Out);
  ASSERT_EQ(array.size(), static_cast<qsizetype>(cases.size()));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const QJsonObject object = array[static_cast<qsizetype>(i)].toObject();
    EXPECT_EQ(JsonText(object["transmission"]), cases[i].first) << "case " << i;
    EXPECT_EQ(JsonText(object["status"]), "ok") << "case " << i;
  }

  const CliOutcome textRun = RunCli({"check", args[5]});
  EXPECT_NE(textRun.Out.find("line endings were converted"), std::string::npos) << textRun.Out;
}

TEST(CliCheck, JsonStaysValidForAwkwardFileNames) {
  const std::string dir = MakeTempDir();
  const std::string name = dir + "/quote\"back\\slash\x01tab\t\xFFlatin.jed";
  const CliOutcome run = RunCli({"check", "--json", name});
  EXPECT_EQ(run.ExitStatus, 2);
  const QJsonArray array = ParseJsonArray(run.Out);
  ASSERT_EQ(array.size(), 1);
  const QJsonObject object = array[0].toObject();
  EXPECT_EQ(
      object["file"].toString(),
      QString::fromStdString(dir) + "/quote\"back\\slash\x01tab\t" + QChar(0xFF) + "latin.jed");
  EXPECT_EQ(JsonText(object["status"]), "io-error");
}

TEST(CliJedec, SourceDateEpochReproducesTheWriterExample) {
  const std::string path = WriteFile(MakeTempDir(), "example.jed", kExampleFuses);
  const CliOutcome run = RunCli({"jedec", path}, {kExampleEpoch});
  EXPECT_EQ(run.ExitStatus, 0) << run.Err;
  EXPECT_EQ(run.Out, kWriterExample);
}

TEST(CliJedec, FramedOutputIsWrittenToAFileThatChecksClean) {
  const std::string dir = MakeTempDir();
  const std::string path = WriteFile(dir, "example.jed", kExampleFuses);
  const std::string out = dir + "/framed.jed";
  const CliOutcome run = RunCli({"jedec", path, "--frame", "-o", out}, {kExampleEpoch});
  EXPECT_EQ(run.ExitStatus, 0) << run.Err;
  EXPECT_EQ(run.Out, "");
  const std::string framed = ReadFile(out);
  EXPECT_EQ(framed,
            "\x02" + std::string(kWriterExample) + "\x03" + Hex4(TransmissionSum(kWriterExample)));
  const CliOutcome check = RunCli({"check", "--json", out});
  EXPECT_EQ(check.ExitStatus, 0);
  const QJsonObject object = ParseJsonArray(check.Out)[0].toObject();
  EXPECT_EQ(JsonText(object["transmission"]), "ok");
  EXPECT_EQ(JsonText(object["fuse_checksum"]), "0060");
}

TEST(CliJedec, RefusesBadFilesUnlessForcedAndNeverASyntaxError) {
  const std::string dir = MakeTempDir();
  const std::string broken = WriteFile(dir, "broken.jed", "*L0000 1x*");
  const CliOutcome syntax = RunCli({"jedec", broken, "--force"});
  EXPECT_EQ(syntax.ExitStatus, 1);
  EXPECT_EQ(syntax.Out, "");
  EXPECT_NE(syntax.Err.find(broken + ":1:9: syntax error"), std::string::npos) << syntax.Err;

  const std::string mismatch = Sample("daveho__GALasm__GAL22V10.jed");
  const CliOutcome refused = RunCli({"jedec", mismatch});
  EXPECT_EQ(refused.ExitStatus, 1);
  EXPECT_EQ(refused.Out, "");
  const CliOutcome forced = RunCli({"jedec", mismatch, "--force"});
  EXPECT_EQ(forced.ExitStatus, 0);
  EXPECT_NE(forced.Out.find("*C4478\r\n*"), std::string::npos);
}

TEST(CliJedec, RejectsABadSourceDateEpochAndAMissingFile) {
  const std::string path = WriteFile(MakeTempDir(), "example.jed", kExampleFuses);
  for (const char* epoch : {"SOURCE_DATE_EPOCH=12abc", "SOURCE_DATE_EPOCH=", "SOURCE_DATE_EPOCH=-1",
                            "SOURCE_DATE_EPOCH=99999999999999999999"}) {
    const CliOutcome run = RunCli({"jedec", path}, {epoch});
    EXPECT_EQ(run.ExitStatus, 2) << epoch;
    EXPECT_EQ(run.Out, "") << epoch;
    EXPECT_NE(run.Err.find("SOURCE_DATE_EPOCH"), std::string::npos) << epoch;
  }
  EXPECT_EQ(RunCli({"jedec", path + ".missing"}).ExitStatus, 2);
}

TEST(CliDiff, ListsEachDifferingFuseWithItsRowThenASummary) {
  const std::string dir = MakeTempDir();
  const std::string a = WriteFile(dir, "a.jed", "*F0*L5 1*L100 1*L5810 1*L5830 1*");
  const std::string b = WriteFile(dir, "b.jed", "*F0*L101 1*");
  const CliOutcome run = RunCli({"diff", a, b});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_EQ(run.Out,
            "fuse 5 (L0000): A=1 B=0\n"
            "fuse 100 (L0088): A=1 B=0\n"
            "fuse 101 (L0088): A=0 B=1\n"
            "fuse 5810 (L5808): A=1 B=0\n"
            "fuse 5830 (L5828): A=1 B=0\n"
            "5 of 5892 fuses differ\n");
}

TEST(CliDiff, CanonicalTextAgreesWithItsSource) {
  const std::string dir = MakeTempDir();
  const std::string sample = Sample("ezrec__galpal__bldc.jed");
  const std::string canonical = dir + "/canonical.jed";
  ASSERT_EQ(RunCli({"jedec", sample, "-o", canonical}).ExitStatus, 0);
  const CliOutcome run = RunCli({"diff", sample, canonical});
  EXPECT_EQ(run.ExitStatus, 0);
  EXPECT_EQ(run.Out, "all 5892 fuses agree\n");
}

TEST(CliDiff, ComparesAFailingFileAsFarAsReadAndRefusesAMissingOne) {
  const std::string dir = MakeTempDir();
  const std::string broken = WriteFile(dir, "broken.jed", "*F0*L0 11x*L5 1*");
  const std::string good = WriteFile(dir, "good.jed", "*F0*L0 11*");
  const CliOutcome run = RunCli({"diff", broken, good});
  EXPECT_EQ(run.ExitStatus, 0);  // fuse 5 was never read
  EXPECT_NE(run.Err.find(broken + ":1:10: syntax error"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("compared as far as it was read"), std::string::npos);

  const CliOutcome missing = RunCli({"diff", good, dir + "/none.jed"});
  EXPECT_EQ(missing.ExitStatus, 2);
  EXPECT_EQ(missing.Out, "");
}

TEST(CliUsage, HelpVersionAndUsageErrors) {
  const CliOutcome help = RunCli({"--help"});
  EXPECT_EQ(help.ExitStatus, 0);
  EXPECT_EQ(help.Out.rfind("Usage: gantrel-cli", 0), 0u);
  const CliOutcome commandHelp = RunCli({"program", "--help"});
  EXPECT_EQ(commandHelp.ExitStatus, 0);
  EXPECT_NE(commandHelp.Out.find("--simulate-fault SPEC"), std::string::npos);
  const CliOutcome version = RunCli({"--version"});
  EXPECT_EQ(version.ExitStatus, 0);
  EXPECT_EQ(version.Out, "gantrel-cli " GANTREL_VERSION "\n");

  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"frobnicate"},
                                             {"check"},
                                             {"check", "--yaml", "x.jed"},
                                             {"jedec", "a.jed", "b.jed"},
                                             {"jedec", "a.jed", "-o"},
                                             {"diff", "a.jed"},
                                             {"pes", "extra"},
                                             {"program", "--simulate"}}) {
    const CliOutcome run = RunCli(args);
    EXPECT_EQ(run.ExitStatus, 2) << (args.empty() ? "" : args.front());
    EXPECT_NE(run.Err.find("--help"), std::string::npos) << run.Err;
  }
}

}  // namespace
