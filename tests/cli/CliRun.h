// Runs gantrel-cli in-process and checks what it says.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "CliCommands.h"
#include "TestSupport.h"

struct CliOutcome {
  int ExitStatus = -1;
  std::string Out;  // everything written to stdout, byte for byte
  std::string Err;  // everything written to stderr
};

// Runs gantrel::RunCli with `args`, `input` on stdin and SOURCE_DATE_EPOCH set to `epoch`
// when given.
inline CliOutcome Cli(const std::vector<std::string>& args,
                      const std::optional<std::string>& epoch = std::nullopt,
                      const std::string& input = "") {
  const gantrel::CliEnvironment env{.SourceDateEpoch = epoch};
  std::istringstream in(input);
  std::ostringstream out, err;
  // A braced list is evaluated left to right: the run ends before its output is taken.
  return {gantrel::RunCli(args, in, out, err, env), out.str(), err.str()};
}

// One run and what it must give.
struct CliCase {
  std::vector<std::string> Args;
  int ExitStatus;
  std::string Out;  // a part of stdout; empty: stdout stays empty
  std::string Err;  // a part of stderr; empty: stderr stays empty
  std::optional<std::string> Epoch = std::nullopt;
  std::string Input = "";  // stdin
};

// True when `text` holds `part`; an empty part: when `text` is empty.
inline bool Holds(const std::string& text, const std::string& part) {
  return part.empty() ? text.empty() : text.find(part) != std::string::npos;
}

// Runs each case and checks its exit status, stdout and stderr.
inline void ExpectCliCases(const std::vector<CliCase>& cases) {
  for (const CliCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Args));
    const CliOutcome run = Cli(c.Args, c.Epoch, c.Input);
    EXPECT_EQ(run.ExitStatus, c.ExitStatus) << run.Err;
    EXPECT_TRUE(Holds(run.Out, c.Out)) << run.Out << "\nlacks: " << c.Out;
    EXPECT_TRUE(Holds(run.Err, c.Err)) << run.Err << "\nlacks: " << c.Err;
  }
}

// Writes `bytes` (when there are any) to the file `name` in a scratch folder of the test run;
// returns its path.
inline std::string Scratch(const std::string& name, const std::string& bytes = "") {
  static const gantrel::testing::TempDir dir;
  if (!bytes.empty()) gantrel::testing::WriteFileBytes(dir.File(name), bytes);
  return dir.File(name);
}
