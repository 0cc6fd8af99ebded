// Hexadecimal digits as JEDEC texts and their frames hold them: written in upper case, read in
// either case.
#pragma once

namespace gantrel {

// The value of `c` as a hex digit ('0'-'9', 'A'-'F', 'a'-'f'), or -1 for any other byte.
constexpr int HexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Writes the low `count` nibbles of `value` at `out` as upper-case hex digits, the most
// significant first; returns the end.
inline char* PutHexDigits(char* out, unsigned value, int count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 4 * (count - 1); shift >= 0; shift -= 4)
    *out++ = kDigits[(value >> shift) & 0xF];
  return out;
}

}  // namespace gantrel
