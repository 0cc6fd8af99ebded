// The real programmer through hidapi (hidraw on Linux): enumeration, the choice of the
// programmer among the HID interfaces present, opening it twice, and the transfers.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Transport.h"

namespace gantrel {

// One HID interface that enumeration found.
struct HidCandidate {
  std::string Path;        // the device path that opens it ("/dev/hidraw3")
  std::string HardwareId;  // "VID_04D8&PID_003F": vendor and product ID in that form
};

// The index of the first candidate whose hardware ID contains "VID_04D8&PID_003F" in any
// case, or nothing when none does. Later matches are never looked at.
std::optional<std::size_t> SelectProgrammer(const std::vector<HidCandidate>& candidates);

class HidapiBackend : public DeviceBackend {
 public:
  // Initialises hidapi once per process. On Linux the plug-in of an opened programmer is read
  // from sysfs under `sysfsRoot`.
  explicit HidapiBackend(std::string sysfsRoot = "/sys");

  // Lists the HID interfaces present (each path once, the first time hidapi lists it), selects
  // the programmer and opens its path twice, for writing and then for reading; null with
  // `status` saying whether none was found or why it could not be opened. No other candidate
  // is tried after the match, even when its open fails.
  std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) override;

 private:
  bool initialised_;
  std::string sysfsRoot_;
};

}  // namespace gantrel
