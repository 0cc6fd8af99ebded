// The 65-byte report exchanged with the programmer and the five command codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gantrel {

// Byte 0 is the HID report ID (always 0: the programmer uses unnumbered reports);
// bytes 1..64 are the 64 bytes a report carries over USB.
inline constexpr std::size_t kReportSize = 65;
inline constexpr std::size_t kReportPayload = 64;
using Report = std::array<std::uint8_t, kReportSize>;

inline constexpr std::uint8_t CMD_UPLOAD = 0x6A;   // 'j': a fuse image in 12 data reports follows
inline constexpr std::uint8_t CMD_PROGRAM = 0x77;  // 'w': burn the image last uploaded
inline constexpr std::uint8_t CMD_READ = 0x72;     // 'r': send the chip's image in 12 blocks
inline constexpr std::uint8_t CMD_ACK = 0x61;      // 'a': block received, send the next one
inline constexpr std::uint8_t CMD_PES = 0x70;      // 'p': send the chip's signature
// The programmer answers CMD_PROGRAM with this value in byte 1 when the burn succeeded.
inline constexpr std::uint8_t kProgramSucceeded = 0x61;

// The report buffers and byte counters of one run, shared by all exchanges.
struct ReportBuffers {
  Report OutReport{};
  Report InReport{};
  std::uint32_t BytesWritten = 0;
  std::uint32_t BytesRead = 0;
};

}  // namespace gantrel
