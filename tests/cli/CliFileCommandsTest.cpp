// gantrel-cli's file commands (check, jedec), its file names and streams and its general
// options, run in-process, and the built binary's exit status. What the reader and the framing
// compute is proven in their own tests; here each verdict's JSON fields and exit status, and the
// wording of the first ones.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <future>

#include "CliRun.h"

namespace {

using gantrel::testing::kExampleText;

// A JSON value as text, "-" for null.
std::string Field(const nlohmann::json& value) {
  if (value.is_null()) return "-";
  return value.is_string() ? value.get<std::string>() : value.dump();
}

// One file for check: its exit status and JSON fields.
struct CheckCase {
  std::string Name;
  std::string Bytes;  // none: the file is missing
  int ExitStatus;
  std::string Json;  // the fields named in kJsonFields
};
// The check --json fields that each case gives, in this order.
const char* const kJsonFields =
    "status transmission line column qf qp qf_declared qp_declared result length given_checksum "
    "computed_checksum fuse_checksum fuses_set";

TEST(CliCheck, EachKindOfFileGivesItsVerdictJsonAndExitStatusAndSeveralTheHighest) {
  const std::vector<CheckCase> cases = {
      {"example.jed", kExampleText, 0,
       "ok absent - - 5892 24 true true 387 387 0060 0060 0060 5892"},
      // Lines and columns count from the file's first byte, the banner before the STX included.
      {"stx.jed", "junk\r\n\x02hdr\r\n*L0000 01\r\n  1\x01\x30*\x03" + std::string("0000"), 1,
       "syntax-error mismatch 4 4 0 0 false false 19 22 0000 - 0006 -"},
      // Characters that JSON escapes, and a byte that is not UTF-8.
      {"missing\"back\\slash\x01\x7Ftab\t\xFF.jed", "", 2,
       "io-error - - - 0 0 false false - - - - - -"},
      // UTF-8 at the edges of its ranges: '°' (lead byte C2) and '信' (second byte BF).
      {"mismatch\xC2\xB0\xE4\xBF\xA1.jed", "\x02*QF5892*F0*L0 1*C4432*\x03" + std::string("0499"),
       1, "checksum-mismatch ok - - 5892 0 true false 16 22 4432 0001 0001 5892"},
      // Each declared count is judged alone; 0 is a count too.
      {"qf.jed", "*QP24*QF0*F0*", 1,
       "other-device absent - - 0 24 true true 13 13 0000 0000 0000 5892"},
      {"qp.jed", "*QP20*F0*", 1, "other-device absent - - 0 20 false true 9 9 0000 0000 0000 5892"},
      // A transmission checksum alone never makes a file bad; this one was taken with CR LF.
      {"lf\xF0\x9F\x98\x80.jed", "\x02hdr\n*QP24*F0*L0 1*\n\x03" + std::string("0463"), 0,
       "ok line-endings - - 0 24 false true 19 19 0000 0000 0001 5892"},
      // A text without an F field must set every fuse.
      {"notes.jed", "hdr\r\n*N note*", 1,
       "no-fuses absent - - 0 0 false false 13 13 0000 - 0000 0"},
      {"partial.jed", "*L0 1 0 1*", 1, "partial absent - - 0 0 false false 10 10 0000 - 0005 3"},
  };
  std::vector<std::string> args = {"check"};
  for (const CheckCase& c : cases) {
    args.push_back(Scratch(c.Name, c.Bytes));
    EXPECT_EQ(Cli({"check", args.back()}).ExitStatus, c.ExitStatus) << c.Name;
  }
  // Together, every file is checked, after one that cannot be read too; the highest status
  // applies, and one that cannot be read is told on stderr.
  const CliOutcome all = Cli(args);
  EXPECT_EQ(all.ExitStatus, 2);
  EXPECT_TRUE(
      Holds(all.Out, args[1] + ": ok: 5892 fuses, checksum 0060\n" + args[1] +
                         ": transmission checksum absent (no ETX, or no hex digit after it)\n" +
                         args[2] + ":4:4: syntax error: found 0x01"));
  EXPECT_EQ(all.Err, args[3] + ": cannot open: No such file or directory\n");
  args.insert(args.begin() + 1, "--json");
  const CliOutcome json = Cli(args);
  const nlohmann::json array = nlohmann::json::parse(json.Out);
  ASSERT_EQ(array.size(), cases.size()) << json.Out;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const nlohmann::json& object = array[i];
    // UTF-8 comes back as it is, a byte that is not UTF-8 as U+FFFD.
    std::string name = args[i + 2];
    if (i == 2) name.replace(name.find('\xFF'), 1, "\xEF\xBF\xBD");
    EXPECT_EQ(object["file"], name);
    std::istringstream keys(kJsonFields);
    std::string fields;
    for (std::string key; keys >> key;) fields += (fields.empty() ? "" : " ") + Field(object[key]);
    EXPECT_EQ(fields, cases[i].Json) << cases[i].Name;
  }
}

TEST(CliJedec, GoodOrForcedFilesAreWrittenCanonicallyFramedOrNotAndOthersRefused) {
  const auto example = Scratch("sparse.jed", "*F0*L0 11*L131 1*L5808 1001*L5828 0100000101000010*");
  const std::string mismatch = "*QF5892*F0*L0 1*C4432*";
  const std::string when = "1797136132";  // the example's header time
  ExpectCliCases({
      {{"jedec", example}, 0, kExampleText, "", when},
      {{"jedec", example, "--frame"}, 0, "\x02" + std::string(kExampleText) + "\x03", "", when},
      // A checksum mismatch or another device is written only when forced.
      {{"jedec", "-"}, 1, "", "over QF5892 fuses\nUse --force to write it anyway.", {}, mismatch},
      {{"jedec", "-", "--force"}, 0, "*C0001\r\n*", "written anyway", {}, mismatch},
      // --force names each verdict it overrides; an empty input sets no fuse.
      {{"jedec", "-", "--force"},
       0,
       "*L0000 1000",
       "(written anyway: --force); 5891 fuses not",
       {},
       "*QP20*L0 1*"},
      // SOURCE_DATE_EPOCH: a whole number of seconds, up to the last one of 9999.
      {{"jedec", example}, 2, "", "SOURCE_DATE_EPOCH must be", "12abc"},
      {{"jedec", example}, 2, "", "up to the year 9999", "253402300800"},
      {{"jedec", example}, 0, "created on Fri Dec 31 23:59:59 9999\r\n", "", "253402300799"},
  });
}

// File names are bytes, '-' is a stream, and only a regular file is ever read.
TEST(CliFiles, NamesAreBytesDashIsAStreamAndOnlyRegularFilesAreRead) {
  const std::string text = "*F0*L3 1*", fifo = Scratch("fifo");
  const std::string in = Scratch("in\xFF\xFE.jed", text), out = Scratch("out\xC0\xAF.jed");
  mkfifo(fifo.c_str(), 0600);
  const std::string canonical = Cli({"jedec", in}, "0").Out;
  alarm(60);  // a run that waited on the FIFO for ever would end here rather than hang
  ExpectCliCases({
      {{"check", fifo}, 2, "", fifo + ": cannot open: not a regular file\n"},
      {{"jedec", in, "-o", out}, 0, "", "", "0"},
      {{"jedec", in, "-o", "-"}, 0, canonical, "", "0"},
      {{"program", "-", "--simulate"}, 0, "-: programmed and verified\n", "", {}, text},
      {{"verify", in, "--simulate-chip", "-"}, 0, "matches all 5892 fuses", "", {}, text},
      {{"diff", "-", "-"}, 2, "", "standard input ('-') can be read only once"},
  });
  EXPECT_EQ(gantrel::testing::ReadFileBytes(out), canonical);
  // -o waits for the FIFO's reader, as any command-line tool does, and leaves it a FIFO.
  std::future<std::string> read =
      std::async(std::launch::async, [&fifo] { return gantrel::testing::ReadFileBytes(fifo); });
  EXPECT_EQ(Cli({"jedec", in, "-o", fifo}, "0").ExitStatus, 0);
  EXPECT_EQ(read.get(), canonical);
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  alarm(0);
}

TEST(CliUsage, HelpAndVersionGiveZeroUsageErrorsTwoAndOptionsEndAtTheDoubleDash) {
  const std::string example = Scratch("example.jed", kExampleText);
  const std::string out = Scratch("named.jed");
  ExpectCliCases({
      {{"--help"}, 0, "Usage: gantrel-cli [OPTIONS] SUBCOMMAND", ""},
      {{"--version"}, 0, "gantrel-cli " GANTREL_VERSION "\n", ""},
      {{"jedec", "--output=" + out, example}, 0, "", "", "0"},
      {{"check", "--", "--json"}, 2, "", "--json: cannot open"},
      // A usage error ends by pointing to the help.
      {{}, 2, "", "no command given\nTry 'gantrel-cli --help'.\n"},
      {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
      {{"check", "--yaml", "x.jed"}, 2, "", "--yaml"},
  });
  EXPECT_EQ(gantrel::testing::ReadFileBytes(out).substr(0, 5), "JEDEC");
}

// The built binary: its exit status reaches the shell, and a report that standard output does
// not take is a failure to write, after a burn with word of the chip on stderr. A file-size
// limit stops -o part-way and leaves the old file, with no temporary file beside it.
TEST(CliBinary, RunFromTheShellGivesItsExitStatusAndTwoForAnUnwritableReport) {
  const std::string example = Scratch("example.jed", kExampleText), err = Scratch("err.txt");
  const std::string old = Scratch("old.jed", "old"), ones = Scratch("ones.jed", "*F1*");
  const std::string cli = GANTREL_CLI_PATH, check = cli + " check " + example;
  const auto status = [](const std::string& line) {
    return WEXITSTATUS(std::system(line.c_str()));
  };
  EXPECT_EQ(status(check + " >/dev/null"), 0);
  EXPECT_EQ(status(check + " >/dev/full 2>/dev/null"), 2);
  EXPECT_EQ(status(cli + " program --simulate " + example + " >/dev/full 2>" + err), 2);
  EXPECT_TRUE(Holds(gantrel::testing::ReadFileBytes(err),
                    "the chip was programmed with " + example + " and verified\n"));
  const auto files = [&old] {
    return std::distance(
        std::filesystem::directory_iterator(std::filesystem::path(old).parent_path()), {});
  };
  const auto before = files();
  EXPECT_EQ(
      status("trap '' XFSZ; ulimit -f 1; " + cli + " jedec " + ones + " -o " + old + " 2>" + err),
      2);
  EXPECT_EQ(gantrel::testing::ReadFileBytes(old), "old");
  EXPECT_EQ(files(), before);  // no temporary file left beside it
  EXPECT_TRUE(Holds(gantrel::testing::ReadFileBytes(err), old + ": cannot write: File too large"));
}

}  // namespace
