// The window's command line, read before the application object exists, so that --help,
// --version and a usage error need no display. Qt's own options are left for Qt.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "SimulatedProgrammer.h"

// What one start of the window asks for.
struct WindowOptions {
  // The simulated programmer the --simulate options ask for, or null for the USB one.
  std::shared_ptr<gantrel::SimulatedProgrammer> Simulated;
  std::optional<std::string> File;  // loaded at start as if chosen in the load dialog
};

enum class StartAction : std::uint8_t { Run, Help, Version, UsageError };

struct ParsedCommandLine {
  StartAction Action = StartAction::Run;
  WindowOptions Options;
  // UsageError: what is wrong ("unknown option '--x'"); Run: a warning on the chip file, if any.
  std::string Message;
};

// Reads the arguments after the program name. --simulate-chip and --simulate-fault imply
// --simulate; the chip file is read here, so that one that cannot be read is a usage error.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The texts printed for --help and --version, and the usage message that follows an error.
extern const char* const kWindowHelpHead;
extern const char* const kWindowHelpTail;
extern const char* const kWindowUsage;
std::string VersionText();
