// The gantrel-cli commands that read a file's fuses as 22V10 logic: explain and diff.
#pragma once

#include "CliSupport.h"

namespace gantrel {

// `explain [--json] [--force] FILE` ('-' standard input): each output cell's mode, polarity,
// output enable and equation, the AR and SP terms and the UES. 1 when FILE fails its check
// (a checksum mismatch passes with --force; another device's fuse count never does), 2 when
// it cannot be read.
int RunExplain(const CliCall& call);

// `diff [--json] A B`: a summary, the cells whose equations differ, then each of fuses 0..5891
// that differs, named by its meaning; 0 when they agree, 1 when not, 2 when a file cannot be
// read.
int RunDiff(const CliCall& call);

}  // namespace gantrel
