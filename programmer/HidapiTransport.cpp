#include "HidapiTransport.h"

#include <hidapi.h>

#include <algorithm>
#include <array>
#include <limits>

#include "HidapiText.h"

namespace gantrel {

HidapiTransport::HidapiTransport(hid_device_* write, hid_device_* read)
    : write_(write), read_(read) {}

HidapiTransport::~HidapiTransport() {
  if (read_ != nullptr) hid_close(read_);
  if (write_ != nullptr) hid_close(write_);
}

TransferStatus HidapiTransport::Send(const Report& report, std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  // hidraw drops the report ID byte 0 and sends 64 bytes, but counts all 65 as written.
  const int written = hid_write(write_, report.data(), report.size());
  if (written > 0) bytesWritten = static_cast<std::uint32_t>(written);
  if (written == static_cast<int>(kReportSize)) return {};
  if (written < 0) return {TransferError::WriteFailed, WideToUtf8(hid_error(write_))};
  return {TransferError::WriteFailed,
          "only " + std::to_string(written) + " of 65 bytes were written"};
}

TransferStatus HidapiTransport::Receive(Report& report, std::chrono::milliseconds wait,
                                        std::uint32_t& bytesRead) {
  bytesRead = 0;
  // Unnumbered input reports come without an ID byte; a short one is padded with zeros so
  // that nothing of an earlier answer is left in the buffer.
  std::array<unsigned char, kReportPayload> payload{};
  const auto ms =
      std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, std::numeric_limits<int>::max());
  const int read = hid_read_timeout(read_, payload.data(), payload.size(), static_cast<int>(ms));
  if (read == 0) return {TransferError::NoAnswer, {}};
  if (read < 0) return {TransferError::DeviceGone, WideToUtf8(hid_error(read_))};
  std::copy(payload.begin(), payload.end(), report.begin() + 1);
  // The report ID in front counts as one byte, as the 65-byte read of the original counted.
  bytesRead = static_cast<std::uint32_t>(read) + 1;
  return {};
}

}  // namespace gantrel
