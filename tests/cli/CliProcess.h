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

// A fresh folder for this test's files.
std::string MakeTempDir();

// Writes `bytes` to `dir`/`name` and returns the path.
std::string WriteFile(const std::string& dir, const std::string& name, const std::string& bytes);

// The whole content of `path`, or "" when it cannot be read.
std::string ReadFile(const std::string& path);

// The path of a sample file in the shared samples folder.
std::string Sample(const std::string& name);
