// The gantrel-cli commands that talk to the programmer: pes, read, program and verify, over
// hidapi or, with --simulate, over the simulated programmer.
#pragma once

#include "CliSupport.h"

namespace gantrel {

// Runs the device command `call.Command` ("pes", "read", "program" or "verify"). Returns 0 when
// done; 1 when an exchange failed, the burn failed, the chip differs or the file fails its
// check; 2 for files that cannot be read or written; 3 when there is no programmer.
int RunDeviceCommand(const CliCall& call);

}  // namespace gantrel
