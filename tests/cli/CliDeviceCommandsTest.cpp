// gantrel-cli's device commands against the simulated programmer (and, without it, against a
// machine with no programmer): the CLI's own wiring, messages and exit statuses for each kind
// of outcome. The link's faults themselves are the programmer tests' concern.
#include <gtest/gtest.h>

#include <sstream>

#include "CliRun.h"

namespace {

using gantrel::testing::kExampleText;

TEST(CliDevice, EachOutcomeGivesItsExitStatusAndMessages) {
  const std::string example = Scratch("example.jed", kExampleText);
  const std::string other = Scratch("other.jed", "*QF2194*F0*");
  const std::string blown = Scratch("blown.jed", "*F1*");
  ExpectCliCases({
      // Done; no progress on stderr when it is no terminal.
      {{"program", example, "--simulate"}, 0, example + ": programmed and verified\n", ""},
      {{"pes", "--simulate"}, 0, "1F22L10C3\n", ""},
      {{"program", example, "--simulate", "--no-verify"}, 0, "(not verified)\n", ""},
      {{"read", "--simulate-chip", example}, 0, kExampleText, "", "1797136132"},
      // The chip differs: how many, the first ten with their L row, the rest counted.
      {{"verify", blown, "--simulate"}, 1, "\nfuse 9 (L0000): file 1, chip 0\nand 5882 more\n", ""},
      {{"program", example, "--simulate-fault", "burn-fails"}, 1, "", "answered 'F' instead of"},
      // A cell that does not take the burn while the programmer answers 0x61: the read-back
      // names it (fuse 5842 is a bit of the UES "AB", in the last block).
      {{"program", example, "--simulate-fault", "stuck@5842"},
       1,
       "1 of 5892 fuses differ on the chip\nfuse 5842 (L5828): file 1, chip 0\n",
       "differs from"},
      {{"program", example, "--simulate-fault", "stop@14"}, 1, "", "burned is unknown\n"},
      // A read-back that breaks off is a failed exchange, not a chip that differs.
      {{"program", example, "--simulate-fault", "vanish@20"}, 1, "", "read-back failed: ack"},
      // The file is checked first: another device only forced.
      {{"program", other, "--simulate"}, 1, "", "(not 5828, 5892 or 5893)\nUse --force to use it"},
      {{"program", other, "--simulate", "--force"}, 0, "verified\n", "(used anyway: --force)\n"},
      // An empty socket: a signature of zeros is no signature, and a burn answered as done
      // took nothing, which the read-back shows.
      {{"pes", "--simulate-fault", "no-chip"}, 1, "", "gantrel-cli pes: the signature is empty"},
      {{"program", example, "--simulate-fault", "no-chip"},
       1,
       "fuses differ on the chip",
       "differs from"},
      {{"pes", "--simulate-fault", "explode@3"}, 2, "", "unknown fault 'explode@3'"},
      {{"pes"}, 3, "", "gantrel-cli pes: no programmer found"},
  });
}

// On a terminal the progress line is ended before the outcome is reported.
TEST(CliDevice, ProgressOnATerminalEndsItsLineBeforeTheOutcome) {
  const gantrel::CliEnvironment terminal{.SourceDateEpoch = {}, .ProgressToTerminal = true};
  std::ostringstream tty;  // both streams on one terminal
  std::istringstream none;
  EXPECT_EQ(gantrel::RunCli({"pes", "--simulate-fault", "stop@1"}, none, tty, tty, terminal), 1);
  EXPECT_TRUE(Holds(tty.str(), "report 1 of 1   \ngantrel-cli pes: ")) << tty.str();
}

}  // namespace
