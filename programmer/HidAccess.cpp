#include "HidAccess.h"

namespace gantrel {

std::unique_ptr<Transport> DiscoverProgrammer(HidAccess& access, DiscoveryStatus& status) {
  status = DiscoveryStatus{};
  const std::vector<HidCandidate> candidates = access.Enumerate();
  const std::optional<std::size_t> index = SelectProgrammer(candidates);
  if (!index) {
    status.State = LinkState::NotFound;
    return nullptr;
  }
  status.Path = candidates[*index].Path;
  std::unique_ptr<Transport> transport = access.OpenPath(status.Path, status);
  status.State = transport ? LinkState::Open : LinkState::OpenFailed;
  if (transport) {
    status.Reason.clear();
    status.PermissionDenied = false;
  }
  return transport;
}

}  // namespace gantrel
