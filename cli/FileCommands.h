// The gantrel-cli commands that work on JEDEC files alone: check, jedec and diff.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CliSupport.h"

namespace gantrel {

// `check [--json] FILE...`: one verdict per file on `out`; 0 when every file is ok, 1 when one
// is bad, 2 when one cannot be read or the arguments are wrong (the highest applies).
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// `jedec FILE [-o OUT] [--frame] [--force]`: the writer's text for the fuses FILE yields, on
// `out` or written atomically to OUT; 1 when FILE fails its check, 2 for usage or file errors.
int RunJedec(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             const CliEnvironment& env);

// `diff A B`: each of fuses 0..5891 that differs, then a summary; 0 when they agree, 1 when
// not, 2 when a file cannot be read or the arguments are wrong.
int RunDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace gantrel
