#include "HidapiProgrammer.h"

#include <hidapi.h>
#ifdef __APPLE__
#include <hidapi_darwin.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "OutOfStepNotes.h"

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace gantrel {

namespace {

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// hidapi's error texts are wide strings (UTF-16 or UTF-32 by the width of wchar_t); the rest of
// the tool speaks UTF-8. A broken surrogate becomes U+FFFD.
std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (const wchar_t* p = text; *p != 0; ++p) {
    auto code = static_cast<std::uint32_t>(*p);
    if constexpr (sizeof(wchar_t) == 2) {
      code &= 0xFFFF;
      const auto next = static_cast<std::uint32_t>(p[1]) & 0xFFFF;
      if (code >= 0xD800 && code <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
        ++p;
      }
    }
    AppendUtf8(out, code);
  }
  return out;
}

bool InitialiseHidapi() {
  static const bool initialised = [] {
    if (hid_init() != 0) return false;
#ifdef __APPLE__
    // hidapi opens devices exclusively on macOS, and the read handle is a second open.
    hid_darwin_set_open_exclusive(0);
#endif
    return true;
  }();
  return initialised;
}

// The path of the first interface hidapi lists for the programmer's IDs, or "" when none.
std::string FirstProgrammerPath() {
  std::string path;
  hid_device_info* list = hid_enumerate(kProgrammerVendorId, kProgrammerProductId);
  for (const hid_device_info* info = list; info != nullptr && path.empty(); info = info->next) {
    if (info->path != nullptr) path = info->path;
  }
  hid_free_enumeration(list);
  return path;
}

// Why an open of `path` failed, in `status`. hidapi folds the system's text into its message;
// where the path is a file, access() tells a lack of permission directly.
void RecordOpenFailure(const std::string& path, int openErrno, DiscoveryStatus& status) {
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 13, 0)
  const std::string message = WideToUtf8(hid_error(nullptr));
#else
  const std::string message;  // older hidapi keeps no error of its own for a failed open
#endif
  bool denied = openErrno == EACCES || openErrno == EPERM ||
                message.find(std::strerror(EACCES)) != std::string::npos;
#if defined(__unix__) || defined(__APPLE__)
  if (!denied && access(path.c_str(), R_OK | W_OK) != 0) denied = errno == EACCES || errno == EPERM;
#else
  (void)path;
#endif
  status.PermissionDenied = denied;
  if (denied) {
    status.Reason = std::strerror(EACCES);
  } else if (!message.empty()) {
    status.Reason = message;
  } else {
    status.Reason = openErrno != 0 ? std::strerror(openErrno) : "the open failed";
  }
}

// The two handles on one programmer: `write` is only ever written, `read` only ever read.
class HidapiTransport : public Transport {
 public:
  HidapiTransport(hid_device* write, hid_device* read) : write_(write), read_(read) {}
  ~HidapiTransport() override {
    hid_close(read_);
    hid_close(write_);
  }
  HidapiTransport(const HidapiTransport&) = delete;
  HidapiTransport& operator=(const HidapiTransport&) = delete;

  TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) override {
    bytesWritten = 0;
    // hidapi takes the report ID in front, 0 for unnumbered reports; hidraw sends the 64 bytes
    // after it and counts 65.
    std::array<unsigned char, 1 + kReportSize> numbered{};
    std::copy(report.begin(), report.end(), numbered.begin() + 1);
    const int written = hid_write(write_, numbered.data(), numbered.size());
    if (written > 1) bytesWritten = static_cast<std::uint32_t>(written - 1);
    if (written == static_cast<int>(numbered.size())) return {};
    if (written < 0) return {TransferError::WriteFailed, WideToUtf8(hid_error(write_))};
    return {TransferError::WriteFailed,
            "only " + std::to_string(written) + " of 65 bytes were written"};
  }

  TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                         std::uint32_t& bytesRead) override {
    bytesRead = 0;
    // Unnumbered input reports come without an ID byte.
    std::array<unsigned char, kReportSize> payload{};
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0,
                                                               std::numeric_limits<int>::max());
    const int read = hid_read_timeout(read_, payload.data(), payload.size(), static_cast<int>(ms));
    if (read == 0) return {TransferError::NoAnswer, {}};
    if (read < 0) return {TransferError::DeviceGone, WideToUtf8(hid_error(read_))};
    bytesRead = static_cast<std::uint32_t>(read);
    if (read < static_cast<int>(kReportSize)) return {TransferError::ShortAnswer, {}};
    report = payload;
    return {};
  }

 private:
  hid_device* write_;
  hid_device* read_;
};

}  // namespace

HidapiBackend::HidapiBackend(std::string sysfsRoot)
    : initialised_(InitialiseHidapi()), sysfsRoot_(std::move(sysfsRoot)) {}

std::unique_ptr<Transport> HidapiBackend::OpenProgrammer(DiscoveryStatus& status) {
  status = DiscoveryStatus{};
  status.Path = initialised_ ? FirstProgrammerPath() : std::string();
  if (status.Path.empty()) {
    status.State = LinkState::NotFound;
    return nullptr;
  }
  status.State = LinkState::OpenFailed;
  errno = 0;
  hid_device* write = hid_open_path(status.Path.c_str());
  if (write == nullptr) {
    RecordOpenFailure(status.Path, errno, status);
    return nullptr;
  }
  errno = 0;
  hid_device* read = hid_open_path(status.Path.c_str());
  if (read == nullptr) {
    RecordOpenFailure(status.Path, errno, status);
    hid_close(write);
    return nullptr;
  }
  status.State = LinkState::Open;
#ifdef __linux__
  status.Plug = PlugInOfHidraw(status.Path, sysfsRoot_);
#else
  status.Plug = {status.Path, {}};  // no reconnect count: a note holds until --reconnected
#endif
  return std::make_unique<HidapiTransport>(write, read);
}

}  // namespace gantrel
