// gantrel-cli as a function: the words of a command line in, text on two streams and an exit
// status out, so that tests and main() run the same code.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace gantrel {

// Runs gantrel-cli with `args` (the words after the program name): a FILE given as "-" is read
// from `in`, results go to `out`, diagnostics and progress to `err`. Returns the exit status
// (kExitOk ... kExitNoProgrammer); a report that `out` did not take counts as kExitUsage.
int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
           std::ostream& err, const CliEnvironment& env);

}  // namespace gantrel
