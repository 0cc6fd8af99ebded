#include "CliProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace {

std::string& Folder() {
  static std::string folder = [] {
    std::string pattern = "/tmp/gantrel-cli-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return folder;
}

}  // namespace

std::string MakeTempDir() {
  static int count = 0;
  const std::string dir = Folder() + "/" + std::to_string(++count);
  mkdir(dir.c_str(), 0700);
  return dir;
}

std::string WriteFile(const std::string& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir + "/" + name;
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::string Sample(const std::string& name) {
  return std::string(GANTREL_SAMPLES_DIR) + "/" + name;
}

CliOutcome RunCli(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv) {
  const std::string dir = MakeTempDir();
  const std::string outPath = dir + "/stdout";
  const std::string errPath = dir + "/stderr";

  std::vector<std::string> words = {GANTREL_CLI_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  std::vector<std::string> envStrings;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "SOURCE_DATE_EPOCH=", 18) != 0) envStrings.emplace_back(*entry);
  }
  envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& entry : envStrings) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  CliOutcome outcome;
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    pid_t waited = 0;
    do {
      waited = waitpid(pid, &status, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited == pid && WIFEXITED(status)) outcome.ExitStatus = WEXITSTATUS(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  outcome.Out = ReadFile(outPath);
  outcome.Err = ReadFile(errPath);
  return outcome;
}
