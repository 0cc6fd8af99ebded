// The report exchanged with the programmer and the five command codes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gantrel {

// The 64 bytes a report carries over USB. The programmer uses unnumbered reports: the report ID
// (0) that the HID layer may want in front is its adapter's business. Element k is what the
// protocol counts as byte k+1, after the report ID: the command code is element 0.
inline constexpr std::size_t kReportSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

inline constexpr std::uint8_t CMD_UPLOAD = 0x6A;   // 'j': a fuse image in 12 data reports follows
inline constexpr std::uint8_t CMD_PROGRAM = 0x77;  // 'w': burn the image last uploaded
inline constexpr std::uint8_t CMD_READ = 0x72;     // 'r': send the chip's image in 12 blocks
inline constexpr std::uint8_t CMD_ACK = 0x61;      // 'a': block received, send the next one
inline constexpr std::uint8_t CMD_PES = 0x70;      // 'p': send the chip's signature
// The programmer answers CMD_PROGRAM with this value in its first byte when the burn succeeded.
inline constexpr std::uint8_t kProgramSucceeded = 0x61;

}  // namespace gantrel
