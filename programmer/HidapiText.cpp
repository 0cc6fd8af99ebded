#include "HidapiText.h"

#include <cstdint>

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

}  // namespace

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  if (text == nullptr) return out;
  for (const wchar_t* p = text; *p != 0; ++p) {
    auto code = static_cast<std::uint32_t>(*p);
    if constexpr (sizeof(wchar_t) == 2) {
      code &= 0xFFFF;
      // A high surrogate needs its low partner; without it the unit is replaced.
      if (code >= 0xD800 && code <= 0xDBFF) {
        const auto next = static_cast<std::uint32_t>(p[1]) & 0xFFFF;
        if (next >= 0xDC00 && next <= 0xDFFF) {
          code = 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00);
          ++p;
        }
      }
    }
    AppendUtf8(out, code);
  }
  return out;
}

}  // namespace gantrel
