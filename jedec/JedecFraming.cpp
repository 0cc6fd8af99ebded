#include "JedecFraming.h"

#include <cstring>

#include "HexDigits.h"

namespace gantrel {
namespace {

// The bytes up to the first zero byte: the loader never sees past it.
std::string_view UpToZero(std::string_view bytes) {
  const std::size_t zero = bytes.find('\0');
  return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

}  // namespace

std::size_t UnframedTextOffset(std::string_view fileBytes) {
  const std::size_t stx = UpToZero(fileBytes).find(kStx);
  return stx == std::string_view::npos ? 0 : stx + 1;
}

std::string UnframeJedecText(std::string_view fileBytes) {
  std::string_view text = UpToZero(fileBytes);
  const std::size_t start = UnframedTextOffset(fileBytes);
  if (start == 0) return std::string(text);
  text.remove_prefix(start);
  const std::size_t etx = text.find(kEtx);
  if (etx != std::string_view::npos) text = text.substr(0, etx);
  return std::string(text);
}

std::uint16_t TransmissionChecksum(std::string_view text) {
  std::uint32_t sum = 2 + 3;
  // Bytes count as signed 8-bit values: a byte of 0x80 or more adds its value less 256, which
  // modulo 65536 is the same as adding 0xFF00 more.
  for (char c : text) {
    sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  }
  return static_cast<std::uint16_t>(sum & 0xFFFFu);
}

std::string FrameJedecText(std::string_view text) {
  const unsigned checksum = TransmissionChecksum(text);
  std::string frame;
  frame.resize(text.size() + 6);
  frame[0] = kStx;
  if (!text.empty()) std::memcpy(frame.data() + 1, text.data(), text.size());
  char* tail = frame.data() + 1 + text.size();
  tail[0] = kEtx;
  PutHexDigits(tail + 1, checksum, 4);
  return frame;
}

TransmissionCheck CheckTransmission(std::string_view fileBytes) {
  TransmissionCheck check;
  // The frame is the one the loader sees: the first STX before the first zero byte, and the
  // first ETX after it. An ETX in a file without STX frames nothing.
  const std::string_view visible = UpToZero(fileBytes);
  const std::size_t stx = visible.find(kStx);
  if (stx == std::string_view::npos) return check;
  const std::size_t etx = visible.find(kEtx, stx + 1);
  if (etx == std::string_view::npos) return check;
  const std::string_view text = visible.substr(stx + 1, etx - stx - 1);

  // The whole run of hex digits counts, in either case; real files carry five-digit sums.
  std::uint32_t stated = 0;
  std::size_t digits = 0;
  for (std::size_t i = etx + 1; i < fileBytes.size(); ++i, ++digits) {
    const int value = HexDigitValue(static_cast<unsigned char>(fileBytes[i]));
    if (value < 0) break;
    stated = ((stated << 4) | static_cast<std::uint32_t>(value)) & 0xFFFFu;
  }
  check.Computed = TransmissionChecksum(text);
  if (digits == 0) return check;
  check.Stated = static_cast<std::uint16_t>(stated);

  // Writers that sum unsigned bytes differ only where a byte is 0x80 or more; line-end
  // conversion after writing changes the sum by 13 per CR added or removed.
  std::uint32_t highBytes = 0;
  std::uint32_t crLf = 0;
  std::uint32_t bareLf = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) ++highBytes;
    if (c == '\n') (i > 0 && text[i - 1] == '\r' ? crLf : bareLf) += 1;
  }
  const std::uint32_t signedSum = check.Computed;
  auto matches = [&](std::uint32_t adjust) {
    if (((signedSum + adjust) & 0xFFFFu) == stated) return true;
    // Unsigned bytes add 256 more for each byte of 0x80 or more.
    return highBytes != 0 && ((signedSum + adjust + 256u * highBytes) & 0xFFFFu) == stated;
  };
  if (matches(0)) {
    check.Status = TransmissionStatus::Ok;
  } else if ((crLf != 0 && matches(0u - 13u * crLf)) || (bareLf != 0 && matches(13u * bareLf))) {
    check.Status = TransmissionStatus::LineEndings;
  } else {
    check.Status = TransmissionStatus::Mismatch;
  }
  return check;
}

const char* TransmissionStatusName(TransmissionStatus status) {
  switch (status) {
    case TransmissionStatus::Absent:
      return "absent";
    case TransmissionStatus::Ok:
      return "ok";
    case TransmissionStatus::LineEndings:
      return "line-endings";
    case TransmissionStatus::Mismatch:
      return "mismatch";
  }
  return "";
}

}  // namespace gantrel
