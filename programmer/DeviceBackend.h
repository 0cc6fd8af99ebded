// Device discovery behind an interface: hidapi on a real machine, the simulated programmer
// in tests and with `gantrel-cli --simulate`.
#pragma once

#include <memory>
#include <string>

#include "Transport.h"

namespace gantrel {

enum class LinkState : std::uint8_t {
  NotSearched,  // discovery has not run yet
  NotFound,     // no HID interface matched the programmer's IDs
  OpenFailed,   // the programmer was found but could not be opened (Reason says why)
  Open,         // both handles are open
  Closed,       // it was open, and the link closed it after a failed transfer
};

struct DiscoveryStatus {
  LinkState State = LinkState::NotSearched;
  std::string Path;               // the device path that matched, if any
  std::string Reason;             // the system's reason when the open failed ("Permission denied")
  bool PermissionDenied = false;  // the open failed for lack of permission (see the udev rule)
};

class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  // Looks for the programmer and opens it: the open transport, or null with `status` saying
  // why there is none. Never waits for a device.
  virtual std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) = 0;
};

}  // namespace gantrel
