// gantrel-cli's device commands against the simulated programmer (and, without it, against a
// machine with no programmer), run as a process.
#include <gtest/gtest.h>

#include <string>

#include "CliProcess.h"

namespace {

const char* const kEpoch = "SOURCE_DATE_EPOCH=1797136132";

std::string Bldc() {
  return Sample("ezrec__galpal__bldc.jed");
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int CountLines(const std::string& text, const std::string& prefix) {
  int count = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (text.compare(at, prefix.size(), prefix) == 0) ++count;
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return count;
}

TEST(CliDevice, ProgramBurnsReadsBackAndVerifies) {
  const CliOutcome run = RunCli({"program", Bldc(), "--simulate"});
  EXPECT_EQ(run.ExitStatus, 0) << run.Err;
  EXPECT_EQ(run.Out, Bldc() + ": programmed and verified\n");
  EXPECT_EQ(run.Err, "");  // no progress when stderr is no terminal
}

TEST(CliDevice, ReadGivesTheTextOfThePreloadedChip) {
  const CliOutcome read = RunCli({"read", "--simulate-chip", Bldc()}, {kEpoch});
  EXPECT_EQ(read.ExitStatus, 0) << read.Err;
  const CliOutcome canonical = RunCli({"jedec", Bldc()}, {kEpoch});
  EXPECT_EQ(read.Out, canonical.Out);
  EXPECT_TRUE(Contains(read.Out, "*C9EDF\r\n*"));
}

TEST(CliDevice, PesPrintsTheChipSignature) {
  const CliOutcome run = RunCli({"pes", "--simulate"});
  EXPECT_EQ(run.ExitStatus, 0) << run.Err;
  EXPECT_EQ(run.Out, "1F22L10C3\n");
}

TEST(CliDevice, VerifyAgainstADifferentChipCountsAndListsTenDifferences) {
  const std::string other = Sample("ezrec__galpal__dff2.jed");
  const CliOutcome same = RunCli({"verify", Bldc(), "--simulate-chip", Bldc()});
  EXPECT_EQ(same.ExitStatus, 0) << same.Err;

  const CliOutcome run = RunCli({"verify", Bldc(), "--simulate-chip", other});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_TRUE(Contains(run.Out, " fuses differ on the chip\n")) << run.Out;
  EXPECT_EQ(CountLines(run.Out, "fuse "), 10);
  EXPECT_TRUE(Contains(run.Out, "\nand ")) << run.Out;

  // A blank chip differs from the file in every fuse the file sets.
  const CliOutcome blank = RunCli({"verify", Bldc(), "--simulate"});
  EXPECT_EQ(blank.ExitStatus, 1);
  EXPECT_EQ(CountLines(blank.Out, "fuse "), 10);
}

TEST(CliDevice, FailedBurnIsToldAndExitsOne) {
  const CliOutcome run = RunCli({"program", Bldc(), "--simulate-fault", "burn-fails"});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_TRUE(Contains(run.Err, "burning the chip failed: the programmer answered 'F'")) << run.Err;
}

TEST(CliDevice, ProgrammerThatStopsAnsweringNamesTheStep) {
  // Report 7 of the upload carries the sixth block of twelve.
  const CliOutcome run = RunCli({"program", Bldc(), "--simulate", "--simulate-fault", "stop@7"});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_TRUE(
      Contains(run.Err, "upload failed: answer to report 7 of 13 (block 6): no answer within 2 s"))
      << run.Err;
  EXPECT_TRUE(Contains(run.Err, "reconnected")) << run.Err;

  const CliOutcome pes = RunCli({"pes", "--simulate-fault=stop@1"});
  EXPECT_EQ(pes.ExitStatus, 1);
  EXPECT_EQ(pes.Out, "");
  EXPECT_TRUE(Contains(pes.Err, "no answer within 2 s")) << pes.Err;
}

TEST(CliDevice, ProgrammerThatVanishesFailsTheExchange) {
  const CliOutcome run = RunCli({"program", Bldc(), "--simulate-fault", "vanish@3"});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_TRUE(Contains(run.Err, "upload failed: report 3 of 13 (block 2): device gone")) << run.Err;

  // Vanishing during the read-back of program's verify step.
  const CliOutcome late = RunCli({"program", Bldc(), "--simulate-fault", "vanish@20"});
  EXPECT_EQ(late.ExitStatus, 1);
  EXPECT_TRUE(Contains(late.Err, "read-back failed")) << late.Err;
}

TEST(CliDevice, LateAnswersFailOnlyBeyondTheirBound) {
  // Report 14 is 'w', which may take 20 s; 5 s late is in time there, not for the upload.
  EXPECT_EQ(RunCli({"program", Bldc(), "--simulate-fault", "late@14:5000"}).ExitStatus, 0);
  const CliOutcome run = RunCli({"program", Bldc(), "--simulate-fault", "late@2:5000"});
  EXPECT_EQ(run.ExitStatus, 1);
  EXPECT_TRUE(Contains(run.Err, "no answer within 2 s")) << run.Err;
}

TEST(CliDevice, ProgramChecksTheFileFirst) {
  const std::string dir = MakeTempDir();
  const std::string broken = WriteFile(dir, "broken.jed", "*L0000 1x*");
  const CliOutcome syntax = RunCli({"program", broken, "--simulate", "--force"});
  EXPECT_EQ(syntax.ExitStatus, 1);
  EXPECT_TRUE(Contains(syntax.Err, broken + ":1:9: syntax error")) << syntax.Err;

  const std::string other = Sample("simon-frankau__galette__GAL16V8_reg.jed");
  const CliOutcome refused = RunCli({"program", other, "--simulate"});
  EXPECT_EQ(refused.ExitStatus, 1);
  EXPECT_TRUE(Contains(refused.Err, "--force")) << refused.Err;
  EXPECT_EQ(RunCli({"program", other, "--simulate", "--force"}).ExitStatus, 0);

  EXPECT_EQ(RunCli({"program", dir + "/missing.jed", "--simulate"}).ExitStatus, 2);
  EXPECT_EQ(RunCli({"pes", "--simulate-fault", "explode@3"}).ExitStatus, 2);
}

TEST(CliDevice, WithoutSimulationAndNoDeviceExitsThree) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"pes"}, {"read"}, {"program", Bldc()}, {"verify", Bldc()}}) {
    const CliOutcome run = RunCli(args);
    EXPECT_EQ(run.ExitStatus, 3) << args.front();
    EXPECT_TRUE(Contains(run.Err, "no programmer found")) << run.Err;
    EXPECT_EQ(run.Out, "");
  }
}

}  // namespace
