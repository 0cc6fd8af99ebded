#include "HidapiAccess.h"

#include <hidapi.h>

#include <cerrno>
#include <cstring>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "HidapiText.h"
#include "HidapiTransport.h"

namespace gantrel {

namespace {

bool InitialiseHidapi() {
  static const bool initialised = hid_init() == 0;
  return initialised;
}

// hidapi's last global error (enumeration, open), or "" where this hidapi has none.
std::string LastGlobalError() {
#if defined(HID_API_VERSION) && HID_API_VERSION >= HID_API_MAKE_VERSION(0, 13, 0)
  return WideToUtf8(hid_error(nullptr));
#else
  return {};
#endif
}

// Whether an open of `path` failed for lack of permission. hidapi 0.13 folds strerror's text
// into its message; where the path is a file, access() says it directly.
bool PermissionDenied(const std::string& path, int openErrno, const std::string& message) {
  if (openErrno == EACCES || openErrno == EPERM) return true;
  if (message.find(std::strerror(EACCES)) != std::string::npos) return true;
#if defined(__unix__) || defined(__APPLE__)
  if (access(path.c_str(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) return true;
#else
  (void)path;
#endif
  return false;
}

void RecordOpenFailure(const std::string& path, int openErrno, DiscoveryStatus& status) {
  const std::string message = LastGlobalError();
  status.PermissionDenied = PermissionDenied(path, openErrno, message);
  if (status.PermissionDenied) {
    status.Reason = std::strerror(EACCES);
  } else if (!message.empty()) {
    status.Reason = message;
  } else if (openErrno != 0) {
    status.Reason = std::strerror(openErrno);
  } else {
    status.Reason = "the open failed";
  }
}

}  // namespace

HidapiAccess::HidapiAccess() : initialised_(InitialiseHidapi()) {}

std::vector<HidCandidate> HidapiAccess::Enumerate() {
  std::vector<HidCandidate> candidates;
  if (!initialised_) return candidates;
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path == nullptr) continue;
    candidates.push_back({info->path, FormatHardwareId(info->vendor_id, info->product_id)});
  }
  hid_free_enumeration(list);
  KeepFirstPerPath(candidates);
  return candidates;
}

std::unique_ptr<Transport> HidapiAccess::OpenPath(const std::string& path,
                                                  DiscoveryStatus& status) {
  // hidapi opens read-write either way; the first handle is only ever written, the second
  // only ever read.
  errno = 0;
  hid_device* write = hid_open_path(path.c_str());
  if (write == nullptr) {
    RecordOpenFailure(path, errno, status);
    return nullptr;
  }
  errno = 0;
  hid_device* read = hid_open_path(path.c_str());
  if (read == nullptr) {
    RecordOpenFailure(path, errno, status);
    hid_close(write);
    return nullptr;
  }
  return std::make_unique<HidapiTransport>(write, read);
}

}  // namespace gantrel
