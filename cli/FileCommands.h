// The gantrel-cli commands that check and rewrite JEDEC files: check and jedec.
#pragma once

#include "CliSupport.h"

namespace gantrel {

// `check [--json] FILE...` ('-' standard input): one verdict per file on `out`; 0 when every
// file is ok, 1 when one is bad, 2 when one cannot be read (the highest applies).
int RunCheck(const CliCall& call);

// `jedec FILE [-o OUT] [--frame] [--force]`: the writer's text for the fuses FILE yields, on
// `out` or written atomically to OUT; 1 when FILE fails its check, 2 for file errors.
int RunJedec(const CliCall& call);

}  // namespace gantrel
