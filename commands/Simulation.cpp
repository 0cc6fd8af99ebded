#include "Simulation.h"

#include <utility>
#include <vector>

namespace gantrel {

Simulation MakeSimulation(const SimulationOptions& options) {
  Simulation made;
  std::vector<SimulatedFault> faults;
  std::string error;
  if (options.Faults && !ParseSimulatedFaults(*options.Faults, faults, error)) {
    made.Problem = "--simulate-fault: " + error;
    return made;
  }
  FuseImage image{};
  if (options.ChipPath) {
    const LoadedJedecFile chip = options.LoadChip ? options.LoadChip(*options.ChipPath)
                                                  : LoadJedecFile(*options.ChipPath, FuseArray{});
    const std::string where = "--simulate-chip: " + *options.ChipPath + ": ";
    if (chip.Status == CheckStatus::IoError) {
      made.Problem = where + FileErrorName(chip.Io.Error) +
                     (chip.Io.Reason.empty() ? "" : ": " + chip.Io.Reason);
      return made;
    }
    if (chip.Status != CheckStatus::Ok)
      made.Notice =
          where + "the file does not load cleanly; the simulated chip takes its fuses as read";
    PackFuseImage(chip.Fuses, image);
  }
  made.Programmer = std::make_shared<SimulatedProgrammer>();
  made.Programmer->SetChipImage(image);
  made.Programmer->SetFaults(std::move(faults));
  return made;
}

}  // namespace gantrel
