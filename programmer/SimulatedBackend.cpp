#include "SimulatedBackend.h"

#include <utility>

#include "SimulatedTransport.h"

namespace gantrel {

SimulatedBackend::SimulatedBackend(SimulatedProgrammer& programmer) : programmer_(programmer) {}

void SimulatedBackend::SetOpenFailure(std::string reason, bool permissionDenied) {
  openFailure_ = std::move(reason);
  permissionDenied_ = !openFailure_.empty() && permissionDenied;
}

std::unique_ptr<Transport> SimulatedBackend::OpenProgrammer(DiscoveryStatus& status) {
  ++discoveryCount_;
  status = DiscoveryStatus{};
  if (absent_ || !programmer_.IsPresent()) {
    status.State = LinkState::NotFound;
    return nullptr;
  }
  status.Path = kPath;
  if (!openFailure_.empty()) {
    status.State = LinkState::OpenFailed;
    status.Reason = openFailure_;
    status.PermissionDenied = permissionDenied_;
    return nullptr;
  }
  ++openCount_;
  status.State = LinkState::Open;
  return std::make_unique<SimulatedTransport>(programmer_);
}

}  // namespace gantrel
