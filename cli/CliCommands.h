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

// The commands that RunCli runs, each with the words the parser split.

// `check [--json] FILE...` ('-' standard input): one verdict per file on `out`; 0 when every
// file is ok, 1 when one is bad, 2 when one cannot be read (the highest applies).
int RunCheck(const CliCall& call);

// `jedec FILE [-o OUT] [--frame] [--force]`: the writer's text for the fuses FILE yields, on
// `out` or written atomically to OUT; 1 when FILE fails its check, 2 for file errors.
int RunJedec(const CliCall& call);

// `explain [--json] [--force] FILE` ('-' standard input): each output cell's mode, polarity,
// output enable and equation, the AR and SP terms and the UES. 1 when FILE fails its check
// (a checksum mismatch passes with --force; another device's fuse count never does), 2 when
// it cannot be read.
int RunExplain(const CliCall& call);

// `diff [--json] A B`: a summary, the cells whose equations differ, then each of fuses 0..5891
// that differs, named by its meaning; 0 when they agree, 1 when not, 2 when a file cannot be
// read.
int RunDiff(const CliCall& call);

// Runs the device command `call.Command` ("pes", "read", "program" or "verify"). Returns 0 when
// done; 1 when an exchange failed, the burn failed, the chip differs or the file fails its
// check; 2 for files that cannot be read or written; 3 when there is no programmer.
int RunDeviceCommand(const CliCall& call);

}  // namespace gantrel
