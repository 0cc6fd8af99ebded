#include "CliProcess.h"

#include <sys/wait.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

// `word` quoted for the shell, any byte but NUL.
std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

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

CliOutcome RunCli(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  const gantrel::testing::TempDir dir;
  std::string command = "env -u SOURCE_DATE_EPOCH";
  for (const std::string& entry : extraEnv) command += " " + Quote(entry);
  command += " " + Quote(GANTREL_CLI_PATH);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " </dev/null >" + Quote(dir.File("out")) + " 2>" + Quote(dir.File("err"));
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
          gantrel::testing::ReadFileBytes(dir.File("out")),
          gantrel::testing::ReadFileBytes(dir.File("err"))};
}

void ExpectCliCases(const std::vector<CliCase>& cases) {
  for (const CliCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.Args));
    const CliOutcome run = RunCli(c.Args, c.Env);
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
