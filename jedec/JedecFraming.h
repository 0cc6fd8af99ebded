// The transmission frame of a JEDEC file on disk: STX, text, ETX, four hex digits of the
// transmission checksum. Pure byte operations; opening and writing files is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gantrel {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
// A JEDEC file is read whole; a larger one is refused as too large.
inline constexpr std::size_t kMaxJedecFileBytes = 1024 * 1024;

// The bare text of a file's bytes: the text ends at its first zero byte; if it holds an STX,
// the STX and everything before it are dropped and the text is cut at the first ETX after it.
// With no STX the text is kept whole, an ETX included. Never fails.
std::string UnframeJedecText(std::string_view fileBytes);
// Where that bare text starts in the file's bytes: just after the STX, or 0 without one.
std::size_t UnframedTextOffset(std::string_view fileBytes);

// The sum of the text's bytes, each taken as a signed 8-bit value, plus 5 (STX and ETX),
// modulo 65536.
std::uint16_t TransmissionChecksum(std::string_view text);

// The bytes of a file holding `text`: STX, the text, ETX, then the checksum as four upper-case
// hex digits; nothing after them. Any length.
std::string FrameJedecText(std::string_view text);

// What a file's transmission checksum says about it.
enum class TransmissionStatus : std::uint8_t {
  Absent,       // no frame (no STX, or no ETX after it), or no hex digit after the ETX
  Ok,           // the digits after ETX match the sum of STX..ETX
  LineEndings,  // they match only once CR LF and LF are swapped in the text
  Mismatch,     // they match neither
};

struct TransmissionCheck {
  TransmissionStatus Status = TransmissionStatus::Absent;
  std::uint16_t Stated = 0;    // the run of hex digits after ETX, modulo 65536
  std::uint16_t Computed = 0;  // TransmissionChecksum of the framed text (0 without a frame)
};

// Checks the transmission checksum of a whole file's bytes. The frame is the one the loader
// sees: the first STX before the first zero byte and the first ETX after it; a file without
// STX has no frame, whatever ETX it holds (Absent). The run of hex digits after ETX is read in
// either case, modulo 65536. It is Ok when it equals the sum of the framed text as
// TransmissionChecksum takes it or, where the text holds bytes of 0x80 or more, the sum of
// unsigned bytes; LineEndings when it matches only with 13 taken off for each CR LF (the file
// was converted to CR LF after its sum was taken) or added for each bare LF (converted to LF).
TransmissionCheck CheckTransmission(std::string_view fileBytes);

// "absent", "ok", "line-endings" or "mismatch".
const char* TransmissionStatusName(TransmissionStatus status);

}  // namespace gantrel
