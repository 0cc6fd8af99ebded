// The gantrel-cli commands that talk to the programmer: pes, read, program and verify, over
// hidapi or, with --simulate, over the simulated programmer.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace gantrel {

// True for "pes", "read", "program" and "verify".
bool IsDeviceCommand(const std::string& command);

// Runs the device command `command` with the words after it. Returns 0 when done; 1 when an
// exchange failed, the burn failed, the chip differs or the file fails its check; 2 for usage
// errors and files that cannot be read or written; 3 when there is no programmer.
int RunDeviceCommand(const std::string& command, const std::vector<std::string>& args,
                     std::ostream& out, std::ostream& err, const CliEnvironment& env);

}  // namespace gantrel
