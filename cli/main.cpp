// gantrel-cli: the command-line companion of the Gantrel window.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "CliCommands.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

int main(int argc, char* argv[]) {
#ifdef _WIN32
  // JEDEC texts carry CR LF of their own: the streams must neither add nor drop a CR.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  const bool stderrIsTerminal = _isatty(_fileno(stderr)) != 0;
#else
  const bool stderrIsTerminal = isatty(STDERR_FILENO) != 0;
#endif
  gantrel::CliEnvironment env;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) env.SourceDateEpoch = epoch;
  env.ProgressToTerminal = stderrIsTerminal;
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return gantrel::RunCli(args, std::cin, std::cout, std::cerr, env);
}
