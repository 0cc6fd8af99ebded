#include "CliFormat.h"

#include <charconv>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "FuseMap.h"

namespace gantrel {

std::string HexWord(std::uint16_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(value));
  return buffer;
}

std::string DescribeByte(std::uint8_t byte) {
  char buffer[8];
  if (byte >= 0x20 && byte <= 0x7E) {
    std::snprintf(buffer, sizeof buffer, "'%c'", static_cast<char>(byte));
  } else {
    std::snprintf(buffer, sizeof buffer, "0x%02X", static_cast<unsigned>(byte));
  }
  return buffer;
}

std::string DumpJson(const Json& value, int indent) {
  const std::string text = value.dump(indent, ' ', false, Json::error_handler_t::replace);
  return indent < 0 ? text : text + "\n";
}

TextPosition LocateByte(std::string_view bytes, std::size_t offset) {
  if (offset > bytes.size()) offset = bytes.size();
  TextPosition position;
  std::size_t lineStart = 0;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++position.Line;
      lineStart = i + 1;
    }
  }
  position.Column = static_cast<int>(offset - lineStart) + 1;
  return position;
}

std::string FuseRowAddress(int fuse) {
  int first = kUesFirstFuse;
  if (fuse < kGroupFirstFuse) {
    first = fuse - fuse % kRowFuses;
  } else if (fuse < kUesFirstFuse) {
    first = kGroupFirstFuse;
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "L%04d", first);
  return buffer;
}

std::optional<std::tm> ParseSourceDateEpoch(std::string_view secondsSinceEpoch) {
  // 253402300799 is 9999-12-31 23:59:59 UTC; asctime's fixed form has room for four-digit years.
  constexpr std::int64_t kLastSecond = 253402300799;
  std::int64_t seconds = 0;
  const char* end = secondsSinceEpoch.data() + secondsSinceEpoch.size();
  const auto [stop, error] = std::from_chars(secondsSinceEpoch.data(), end, seconds);
  // A sign is no digit: "-1" is refused like "12abc".
  if (secondsSinceEpoch.empty() || secondsSinceEpoch[0] == '-' || stop != end ||
      error != std::errc() || seconds > kLastSecond)
    return std::nullopt;
  const auto time = static_cast<std::time_t>(seconds);
  std::tm broken{};
#ifdef _WIN32
  if (gmtime_s(&broken, &time) != 0) return std::nullopt;
#else
  if (gmtime_r(&time, &broken) == nullptr) return std::nullopt;
#endif
  return broken;
}

}  // namespace gantrel
