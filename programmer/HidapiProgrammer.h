// The real programmer through hidapi (hidraw on Linux): finding it, opening it twice, and the
// transfers.
#pragma once

#include <memory>

#include "Transport.h"

namespace gantrel {

// The programmer's USB vendor and product IDs.
inline constexpr unsigned short kProgrammerVendorId = 0x04D8;
inline constexpr unsigned short kProgrammerProductId = 0x003F;

class HidapiBackend : public DeviceBackend {
 public:
  // Initialises hidapi once per process. On Linux the plug-in of an opened programmer is read
  // from sysfs under `sysfsRoot`.
  explicit HidapiBackend(std::string sysfsRoot = "/sys");

  // Asks hidapi for the HID interfaces of 04D8:003F, takes the first it lists and opens its
  // path twice, for writing and then for reading; null with `status` saying whether none was
  // found or why it could not be opened. No other interface is tried after the first, even when
  // its open fails.
  std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) override;

 private:
  bool initialised_;
  std::string sysfsRoot_;
};

}  // namespace gantrel
