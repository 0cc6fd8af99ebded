// The simulated programmer that the --simulate, --simulate-chip and --simulate-fault options of
// both programs describe, built in one place.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "JedecLoad.h"
#include "SimulatedProgrammer.h"

namespace gantrel {

struct SimulationOptions {
  bool Simulate = false;                // --simulate
  std::optional<std::string> ChipPath;  // --simulate-chip FILE.jed
  std::optional<std::string> Faults;    // --simulate-fault FAULT[,FAULT...]
  // Reads the chip file; LoadJedecFile from an all-0 map when empty. gantrel-cli's reads "-"
  // from standard input.
  std::function<LoadedJedecFile(const std::string& path)> LoadChip;
  // --simulate-chip and --simulate-fault imply --simulate.
  bool Wanted() const { return Simulate || ChipPath || Faults; }
};

struct Simulation {
  std::shared_ptr<SimulatedProgrammer> Programmer;  // null when Problem says why there is none
  // A usage error in English: "--simulate-fault: unknown fault ..." or "--simulate-chip: F.jed:
  // cannot open: ...".
  std::string Problem;
  // A warning: "--simulate-chip: F.jed: the file does not load cleanly; ...".
  std::string Notice;
};

// The faults parsed, then the chip file read whole as the load reads it; the chip holds its
// fuses as read, even where the file fails its check (Notice says so). A bad fault list or a
// chip file that cannot be read gives no programmer and the Problem.
Simulation MakeSimulation(const SimulationOptions& options);

}  // namespace gantrel
