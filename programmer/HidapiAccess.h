// HidAccess over hidapi: enumeration and opens of real HID interfaces.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "HidAccess.h"

namespace gantrel {

class HidapiAccess : public HidAccess {
 public:
  // Initialises hidapi once per process.
  HidapiAccess();

  // hid_enumerate(0, 0), one entry per path in hidapi's order, hardware IDs formed from the
  // vendor and product IDs; empty when hidapi lists nothing or could not be initialised.
  std::vector<HidCandidate> Enumerate() override;
  // Opens `path` for writing, then (only if that worked) a second handle for reading; null
  // with the system's reason in `status` when either open fails.
  std::unique_ptr<Transport> OpenPath(const std::string& path, DiscoveryStatus& status) override;

 private:
  bool initialised_;
};

}  // namespace gantrel
