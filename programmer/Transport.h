// The report link to one open programmer: send one report, receive one report within a bound.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "Report.h"

namespace gantrel {

// Why a transfer failed.
enum class TransferError : std::uint8_t {
  None,
  NotOpen,      // no programmer is open
  WriteFailed,  // the write failed or moved fewer than 65 bytes
  NoAnswer,     // no input report within the bound
  DeviceGone,   // the device went away (unplugged) or the read failed
};

// English name of a transfer error ("no answer"), for the CLI and logs of tests.
const char* TransferErrorName(TransferError error);

struct TransferStatus {
  TransferError Error = TransferError::None;
  std::string Detail;  // the system's own words, when it gave any ("device disconnected")
  bool Ok() const { return Error == TransferError::None; }
};

// One open programmer. Only an adapter knows how its HID layer wants the report ID.
class Transport {
 public:
  virtual ~Transport() = default;
  // Sends one output report: all 65 bytes of `report`, byte 0 the report ID (0).
  // Stores the byte count moved in `bytesWritten`; WriteFailed unless all 65 went out.
  virtual TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) = 0;
  // Waits at most `wait` for the next input report and stores its 64 bytes in bytes 1..64 of
  // `report` (byte 0 untouched); NoAnswer when none came in time. A zero wait only takes a
  // report already queued. Stores the byte count in `bytesRead` (65 for a whole report).
  virtual TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                                 std::uint32_t& bytesRead) = 0;
};

}  // namespace gantrel
