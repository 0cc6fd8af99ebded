#include "SelectProgrammer.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace gantrel {

namespace {

// ASCII lower-casing only: hardware IDs are ASCII, and the locale must not change the match.
std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

std::string FormatHardwareId(std::uint16_t vendorId, std::uint16_t productId) {
  char text[24];
  std::snprintf(text, sizeof text, "VID_%04X&PID_%04X", static_cast<unsigned>(vendorId),
                static_cast<unsigned>(productId));
  return text;
}

void KeepFirstPerPath(std::vector<HidCandidate>& candidates) {
  std::unordered_set<std::string> seen;
  const auto end =
      std::remove_if(candidates.begin(), candidates.end(),
                     [&seen](const HidCandidate& c) { return !seen.insert(c.Path).second; });
  candidates.erase(end, candidates.end());
}

std::optional<std::size_t> SelectProgrammer(const std::vector<HidCandidate>& candidates) {
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    if (LowerAscii(candidates[i].HardwareId).find(kProgrammerIdPattern) != std::string::npos)
      return i;
  }
  return std::nullopt;
}

}  // namespace gantrel
