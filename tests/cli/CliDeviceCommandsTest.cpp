// gantrel-cli's device commands against the simulated programmer (and, without it, against a
// machine with no programmer), run as a process.
#include <gtest/gtest.h>

#include <sstream>

#include "CliCommands.h"
#include "CliProcess.h"
#include "TestSupport.h"

namespace {

using gantrel::testing::ExamplePath;

TEST(CliDevice, EachOutcomeGivesItsExitStatusAndMessages) {
  const std::string bldc = ExamplePath("decoder.jed");
  const std::string other = Scratch("16v8.jed", "GAL16V8\r\n*QF2194*F0*L0 1*C0001*\r\n");
  const std::string broken = Scratch("broken.jed", "*L0000 1x*");
  const std::string epoch = "SOURCE_DATE_EPOCH=1797136132";
  const std::string canonical = RunCli({"jedec", bldc}, {epoch}).Out;
  const std::string done = bldc + ": programmed and verified\n";
  ExpectCliCases({
      // Done; no progress on stderr when it is no terminal.
      {{"program", bldc, "--simulate"}, 0, {done}, ""},
      {{"pes", "--simulate"}, 0, {"1F22L10C3\n"}, ""},
      {{"jedec", bldc}, 0, {"JEDEC file for ATF22LV10C created on ", "*C38C8\r\n*"}, "", {epoch}},
      {{"read", "--simulate-chip", bldc}, 0, {canonical}, "", {epoch}},
      {{"verify", bldc, "--simulate-chip", bldc},
       0,
       {bldc + ": the chip matches all 5892 fuses\n"},
       ""},
      // The chip differs: how many, the first ten with their L row, the rest counted.
      {{"verify", bldc, "--simulate-chip", Scratch("chip.jed", "*F0*L0 1*L44 1*")},
       1,
       {bldc + ": 457 of 5892 fuses differ on the chip\nfuse 0 (L0000): file 0, chip 1\n"
               "fuse 45 (L0044): file 1, chip 0\n",
        "\nfuse 53 (L0044): file 1, chip 0\nand 447 more\n"},
       ""},
      {{"verify", bldc, "--simulate"},
       1,
       {bldc + ": 457 of 5892 fuses differ on the chip\nfuse 44 (L0044): file 1, chip 0\n",
        "\nand 447 more\n"},
       ""},
      // A failed exchange names its step and asks for the programmer to be reconnected.
      {{"program", bldc, "--simulate-fault", "burn-fails"},
       1,
       {},
       "program: burning the chip failed: the programmer answered 'F' instead of 'a' (0x61)\n"},
      // Report 7 of the upload carries the sixth block of twelve.
      {{"program", bldc, "--simulate", "--simulate-fault", "stop@7"},
       1,
       {},
       "program: upload failed: answer to report 7 of 13 (block 6): no answer within 2 s\n"
       "The programmer must be reconnected before it is used again.\n"},
      {{"pes", "--simulate-fault=stop@1"}, 1, {}, "query failed: answer to the PES command: no"},
      {{"program", bldc, "--simulate-fault", "vanish@3"}, 1, {}, "report 3 of 13 (block 2): dev"},
      // A read-back that breaks off is a failed exchange, not a chip that differs.
      {{"program", bldc, "--simulate-fault", "vanish@20"},
       1,
       {},
       "gantrel-cli program: read-back failed: acknowledgement 5 of 11: device gone: device "
       "disconnected\nThe programmer must be reconnected before it is used again.\n"},
      // Report 14 is 'w', which may take 20 s: 5 s late is in time there, not for the upload.
      {{"program", bldc, "--simulate-fault", "late@14:5000"}, 0, {done}, ""},
      {{"program", bldc, "--simulate-fault", "late@2:5000"}, 1, {}, "no answer within 2 s"},
      // The file is checked first: a syntax error never passes, another device only forced.
      {{"program", broken, "--simulate", "--force"}, 1, {}, broken + ":1:9: syntax error: found"},
      {{"program", other, "--simulate"}, 1, {}, "(not 5828, 5892 or 5893)\nUse --force to use it"},
      {{"program", other, "--simulate", "--force"},
       0,
       {other + ": programmed and verified\n"},
       "(used anyway: --force)\n"},
      {{"program", Scratch("none.jed"), "--simulate"}, 2, {}, "none.jed: cannot open"},
      {{"pes", "--simulate-fault", "explode@3"}, 2, {}, "unknown fault 'explode@3'"},
      // Without --simulate and with no programmer attached.
      {{"pes"}, 3, {}, "pes: no programmer found"},
      {{"read"}, 3, {}, "read: no programmer found"},
      {{"program", bldc}, 3, {}, "program: no programmer found"},
      {{"verify", bldc}, 3, {}, "verify: no programmer found"},
  });
}

// On a terminal the progress line is ended before the outcome is told, on either stream.
TEST(CliDevice, ProgressLineEndsBeforeTheOutcome) {
  gantrel::CliEnvironment terminal;
  terminal.ProgressToTerminal = true;
  const std::string bldc = ExamplePath("decoder.jed");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"pes", "--simulate"}, "   \n1F22L10C3\n"},
      {{"pes", "--simulate-fault", "stop@1"}, "   \ngantrel-cli pes: signature query failed"},
      {{"program", bldc, "--simulate-fault", "burn-fails"}, "   \ngantrel-cli program: burning"}};
  for (const auto& [args, text] : cases) {
    std::ostringstream screen;  // both streams on one terminal
    gantrel::RunCli(args, screen, screen, terminal);
    EXPECT_NE(screen.str().find(text), std::string::npos) << screen.str();
  }
}

}  // namespace
