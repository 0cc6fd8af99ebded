// The two interfaces under the link: Transport, one open programmer (its write and read
// handles), and DeviceBackend, the discovery that finds and opens one.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "Report.h"

namespace gantrel {

// Why a transfer failed.
enum class TransferError : std::uint8_t {
  None,
  NotOpen,      // no programmer is open
  WriteFailed,  // the write failed or moved fewer than 64 bytes
  NoAnswer,     // no input report within the bound
  DeviceGone,   // the read failed: the device may have gone away (unplugged), or not
  ShortAnswer,  // an input report shorter than 64 bytes came
};

struct TransferStatus {
  TransferError Error = TransferError::None;
  std::string Detail;  // the system's own words, when it gave any ("device disconnected")
  bool Ok() const { return Error == TransferError::None; }
};

// One open programmer. Only an adapter knows whether its HID layer wants a report ID.
class Transport {
 public:
  virtual ~Transport() = default;
  // Sends one output report, the 64 bytes of `report`. Stores the count of them moved in
  // `bytesWritten`; WriteFailed unless all 64 went out.
  virtual TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) = 0;
  // Waits at most `wait` for the next input report and stores its 64 bytes in `report`;
  // NoAnswer when none came in time. A zero wait only takes a report already queued. Stores the
  // count of bytes that came in `bytesRead`; a report shorter than 64 bytes is ShortAnswer and
  // leaves `report` untouched.
  virtual TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                                 std::uint32_t& bytesRead) = 0;
};

enum class LinkState : std::uint8_t {
  NotSearched,  // discovery has not run yet
  NotFound,     // no HID interface matched the programmer's IDs
  OpenFailed,   // the programmer was found but could not be opened (Reason says why)
  Open,         // both handles are open
  Closed,       // it was open, and the link closed it (the device went away, or Close())
};

// What tells one plug-in of a programmer from another, across runs.
struct PlugIn {
  std::string Port;   // where it is plugged in ("usb 1-1.2"), or the device path elsewhere
  std::string Count;  // changes at every reconnect (the USB devnum); "" where none is known
  bool Known() const { return !Port.empty(); }
};

struct DiscoveryStatus {
  LinkState State = LinkState::NotSearched;
  std::string Path;               // the device path that matched, if any
  std::string Reason;             // the system's reason when the open failed ("Permission denied")
  bool PermissionDenied = false;  // the open failed for lack of permission (see the udev rule)
  PlugIn Plug;                    // the plug-in opened, where the backend can tell it
};

// Discovery: hidapi on a real machine, the simulated programmer in tests and with --simulate.
class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  // Looks for the programmer and opens it: the open transport, or null with `status` saying
  // why there is none. Never waits for a device.
  virtual std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) = 0;
};

}  // namespace gantrel
