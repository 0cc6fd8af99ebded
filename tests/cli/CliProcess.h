// Runs the built gantrel-cli as a child process and captures what it says.
#pragma once

#include <string>
#include <vector>

struct CliOutcome {
  int ExitStatus = -1;  // the exit status, or -1 when the process did not exit normally
  std::string Out;      // everything written to stdout, byte for byte
  std::string Err;      // everything written to stderr
};

// Runs gantrel-cli with `args` and the test's environment without SOURCE_DATE_EPOCH, plus the
// "NAME=value" entries of `extraEnv`; waits for it to end.
CliOutcome RunCli(const std::vector<std::string>& args,
                  const std::vector<std::string>& extraEnv = {});

// One run and what it must give.
struct CliCase {
  std::vector<std::string> Args;
  int ExitStatus;
  // stdout: these parts in order with anything between them, from its start to its end (one
  // part: exactly that; none: nothing).
  std::vector<std::string> Out;
  std::string Err;                    // a part of stderr; empty: stderr stays empty
  std::vector<std::string> Env = {};  // extra environment entries
};

// Runs each case and checks its exit status, stdout and stderr (GoogleTest failures).
void ExpectCliCases(const std::vector<CliCase>& cases);

// Writes `bytes` to the file `name` in a scratch folder of the test run; returns its path.
std::string Scratch(const std::string& name, const std::string& bytes = "");
