// Discovery of the real programmer through hidapi (hidraw on Linux).
#pragma once

#include <memory>

#include "DeviceBackend.h"
#include "HidapiAccess.h"

namespace gantrel {

class HidapiBackend : public DeviceBackend {
 public:
  HidapiBackend() = default;

  // Lists the HID interfaces present, selects the first whose IDs are 04D8:003F and opens it
  // twice; null with `status` saying whether none was found or why it could not be opened.
  std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) override;

 private:
  HidapiAccess access_;
};

}  // namespace gantrel
