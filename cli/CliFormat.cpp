#include "CliFormat.h"

#include <cstdio>

#include "FuseMap.h"

namespace gantrel {
namespace {

// Length of the valid UTF-8 sequence that starts at `i`, or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byteAt = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byteAt(i);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    // Overlong forms and UTF-16 surrogates are not valid UTF-8.
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = byteAt(i + k);
    const unsigned char min = k == 1 ? low : 0x80;
    const unsigned char max = k == 1 ? high : 0xBF;
    if (next < min || next > max) return 0;
  }
  return length;
}

std::string UnicodeEscape(unsigned char byte) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(byte));
  return buffer;
}

}  // namespace

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

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        json += UnicodeEscape(byte);
        ++i;
      } else {
        json.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (byte) {
      case '"':
        json += "\\\"";
        break;
      case '\\':
        json += "\\\\";
        break;
      case '\n':
        json += "\\n";
        break;
      case '\r':
        json += "\\r";
        break;
      case '\t':
        json += "\\t";
        break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          json += UnicodeEscape(byte);
        } else {
          json += static_cast<char>(byte);
        }
    }
    ++i;
  }
  json += '"';
  return json;
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
  if (secondsSinceEpoch.empty()) return std::nullopt;
  std::int64_t seconds = 0;
  for (const char c : secondsSinceEpoch) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + (c - '0');
    if (seconds > kLastSecond) return std::nullopt;
  }
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
