// What discovery needs of a HID layer: the interfaces present, and opening one of them. The
// hidapi adapter provides it; tests stand in for it to check the selection and open sequence.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "DeviceBackend.h"
#include "SelectProgrammer.h"
#include "Transport.h"

namespace gantrel {

class HidAccess {
 public:
  virtual ~HidAccess() = default;
  // The HID interfaces present now, one per path, in the layer's own fixed order; empty when
  // there are none or the listing failed.
  virtual std::vector<HidCandidate> Enumerate() = 0;
  // Opens `path` as the programmer (a write handle, then a read handle); null on failure with
  // `status.Reason` (and PermissionDenied) saying why.
  virtual std::unique_ptr<Transport> OpenPath(const std::string& path, DiscoveryStatus& status) = 0;
};

// Lists the interfaces, selects the first programmer (SelectProgrammer) and opens it; no other
// candidate is tried after a match, even when its open fails. `status` is set from scratch:
// NotFound, OpenFailed (with Path and Reason) or Open (with Path).
std::unique_ptr<Transport> DiscoverProgrammer(HidAccess& access, DiscoveryStatus& status);

}  // namespace gantrel
