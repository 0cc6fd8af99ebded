#include "CliRun.h"

#include <gtest/gtest.h>

#include <sstream>

#include "CliCommands.h"
#include "TestSupport.h"

namespace {

// True when `text` is `parts` in order with anything between them (nothing before the first,
// nothing after the last); no parts: `text` is empty.
bool IsMadeOf(const std::string& text, const std::vector<std::string>& parts) {
  if (parts.size() <= 1) return text == (parts.empty() ? "" : parts.front());
  if (!text.starts_with(parts.front()) || !text.ends_with(parts.back())) return false;
  std::size_t at = 0;
  for (const std::string& part : parts) {
    at = text.find(part, at);
    if (at == std::string::npos) return false;
    at += part.size();
  }
  return true;
}

}  // namespace

CliOutcome Cli(const std::vector<std::string>& args, const std::optional<std::string>& epoch,
               const std::string& input) {
  gantrel::CliEnvironment env;
  env.SourceDateEpoch = epoch;
  std::istringstream in(input);
  std::ostringstream out, err;
  const int status = gantrel::RunCli(args, in, out, err, env);
  return {status, out.str(), err.str()};
}

void ExpectCliCases(const std::vector<CliCase>& cases) {
  for (const CliCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Args));
    const CliOutcome run = Cli(c.Args, c.Epoch, c.Input);
    EXPECT_EQ(run.ExitStatus, c.ExitStatus) << run.Err;
    EXPECT_TRUE(IsMadeOf(run.Out, c.Out)) << run.Out;
    EXPECT_TRUE(c.Err.empty() ? run.Err.empty() : run.Err.find(c.Err) != std::string::npos)
        << run.Err << "\nlacks: " << c.Err;
  }
}

std::string Scratch(const std::string& name, const std::string& bytes) {
  static const gantrel::testing::TempDir dir;
  if (!bytes.empty()) gantrel::testing::WriteFileBytes(dir.File(name), bytes);
  return dir.File(name);
}
