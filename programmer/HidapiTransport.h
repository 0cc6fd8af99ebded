// The report link over two hidapi handles on one programmer.
#pragma once

#include <cstdint>

#include "Transport.h"

// hidapi's handle type, declared as hidapi does, so that only the adapter's sources need
// <hidapi.h>.
struct hid_device_;

namespace gantrel {

class HidapiTransport : public Transport {
 public:
  // Takes ownership of both open handles; `write` is only written, `read` only read.
  HidapiTransport(hid_device_* write, hid_device_* read);
  // Closes both handles.
  ~HidapiTransport() override;
  HidapiTransport(const HidapiTransport&) = delete;
  HidapiTransport& operator=(const HidapiTransport&) = delete;

  // hid_write of all 65 bytes (hidapi takes the report ID in front); WriteFailed unless it
  // moved 65, with hidapi's reason.
  TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) override;
  // hid_read_timeout of one 64-byte input report into bytes 1..64; NoAnswer when `wait` ran
  // out, DeviceGone with hidapi's reason when the read failed (unplugged).
  TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                         std::uint32_t& bytesRead) override;

 private:
  hid_device_* write_;
  hid_device_* read_;
};

}  // namespace gantrel
