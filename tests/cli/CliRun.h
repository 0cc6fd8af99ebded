// Runs gantrel-cli in-process and checks what it says.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct CliOutcome {
  int ExitStatus = -1;
  std::string Out;  // everything written to stdout, byte for byte
  std::string Err;  // everything written to stderr
};

// Runs gantrel::RunCli with `args`, `input` on stdin and SOURCE_DATE_EPOCH set to `epoch`
// when given.
CliOutcome Cli(const std::vector<std::string>& args,
               const std::optional<std::string>& epoch = std::nullopt,
               const std::string& input = "");

// One run and what it must give.
struct CliCase {
  std::vector<std::string> Args;
  int ExitStatus;
  // stdout: these parts in order with anything between them, from its start to its end (one
  // part: exactly that; none: nothing).
  std::vector<std::string> Out;
  std::string Err;  // a part of stderr; empty: stderr stays empty
  std::optional<std::string> Epoch = std::nullopt;
  std::string Input = "";  // stdin
};

// Runs each case and checks its exit status, stdout and stderr (GoogleTest failures).
void ExpectCliCases(const std::vector<CliCase>& cases);

// Writes `bytes` to the file `name` in a scratch folder of the test run; returns its path.
std::string Scratch(const std::string& name, const std::string& bytes = "");
