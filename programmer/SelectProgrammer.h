// Choosing the programmer among the HID interfaces present: a plain function over a list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gantrel {

// One HID interface that discovery found.
struct HidCandidate {
  std::string Path;        // the device path that opens it ("/dev/hidraw3")
  std::string HardwareId;  // "VID_04D8&PID_003F": vendor and product ID in that form
};

// The pattern looked for, lower-cased, anywhere in a lower-cased hardware ID.
inline constexpr const char* kProgrammerIdPattern = "vid_04d8&pid_003f";

// "VID_vvvv&PID_pppp" with four upper-case hexadecimal digits each.
std::string FormatHardwareId(std::uint16_t vendorId, std::uint16_t productId);

// Keeps the first entry of each path and drops later ones with the same path, in order (an
// interface with several top-level usages is listed once per usage).
void KeepFirstPerPath(std::vector<HidCandidate>& candidates);

// The index of the first candidate whose lower-cased hardware ID contains
// kProgrammerIdPattern, or nothing when none does. Later matches are never looked at.
std::optional<std::size_t> SelectProgrammer(const std::vector<HidCandidate>& candidates);

}  // namespace gantrel
