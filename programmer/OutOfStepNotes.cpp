#include "OutOfStepNotes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gantrel {

namespace {

namespace fs = std::filesystem;

// The first line of the file at `path`, without its line break; false when it cannot be read.
bool ReadLine(const fs::path& path, std::string& line) {
  std::ifstream file(path);
  return static_cast<bool>(std::getline(file, line));
}

// A folder that another user made (possible under the shared temporary folder) holds no notes
// of ours, and gets none.
bool OwnFolder(const fs::path& folder) {
#if defined(__unix__) || defined(__APPLE__)
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return true;  // not there yet: it will be ours
  return S_ISDIR(info.st_mode) && info.st_uid == getuid();
#else
  (void)folder;
  return true;
#endif
}

}  // namespace

PlugIn PlugInOfHidraw(const std::string& path, const std::string& sysfsRoot) {
  const std::string name = fs::path(path).filename().string();
  // The hidraw node's device is the HID device; two levels up sits the USB device.
  const fs::path usb = fs::path(sysfsRoot) / "class/hidraw" / name / "device/../..";
  std::string bus, port, count;
  if (name.rfind("hidraw", 0) != 0 || !ReadLine(usb / "busnum", bus) ||
      !ReadLine(usb / "devpath", port) || !ReadLine(usb / "devnum", count) || bus.empty() ||
      port.empty() || count.empty())
    return {path, {}};
  return {"usb " + bus + "-" + port, count};
}

OutOfStepNotes::OutOfStepNotes(std::string folder, bool reconnected)
    : folder_(std::move(folder)), reconnected_(reconnected) {}

std::string OutOfStepNotes::DefaultFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return (fs::path(runtime) / "gantrel").string();
  std::error_code error;
  fs::path temp = fs::temp_directory_path(error);
  if (error) temp = "/tmp";
#if defined(__unix__) || defined(__APPLE__)
  const std::string user = std::to_string(getuid());
#else
  const char* name = std::getenv("USERNAME");
  const std::string user = name != nullptr ? name : "user";
#endif
  return (temp / ("gantrel-" + user)).string();
}

std::string OutOfStepNotes::FileFor(const PlugIn& plugIn) const {
  std::string name;
  for (const char c : plugIn.Port) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.';
    name += plain ? c : '_';
  }
  if (name.size() > 64) {
    // A long device path keeps its start and a hash of the whole (FNV-1a).
    std::uint64_t hash = 14695981039346656037u;
    for (const char c : plugIn.Port) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    name = name.substr(0, 40) + "-" + hex;
  }
  return (fs::path(folder_) / ("programmer-" + name)).string();
}

bool OutOfStepNotes::BrokenOffEarlier(const PlugIn& plugIn) {
  if (!plugIn.Known() || !OwnFolder(folder_)) return false;
  std::ifstream file(FileFor(plugIn));
  std::string port, count;
  if (!std::getline(file, port) || !std::getline(file, count) || port != plugIn.Port) return false;
  file.close();
  if (!reconnected_ && count == plugIn.Count) return true;
  Remove(plugIn);
  return false;
}

void OutOfStepNotes::Leave(const PlugIn& plugIn) {
  if (!plugIn.Known() || !OwnFolder(folder_)) return;
  std::error_code error;
  fs::create_directories(folder_, error);
  fs::permissions(folder_, fs::perms::owner_all, error);
  // Written aside and renamed, so that a reader never sees half a note.
  const std::string path = FileFor(plugIn);
  const std::string part = path + ".part";
  {
    std::ofstream file(part, std::ios::binary | std::ios::trunc);
    file << plugIn.Port << "\n" << plugIn.Count << "\n";
    if (!file.flush()) {
      file.close();
      fs::remove(part, error);
      return;
    }
  }
  fs::rename(part, path, error);
}

void OutOfStepNotes::Remove(const PlugIn& plugIn) {
  if (!plugIn.Known() || !OwnFolder(folder_)) return;
  std::error_code error;
  fs::remove(FileFor(plugIn), error);
}

}  // namespace gantrel
