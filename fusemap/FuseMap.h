// The fuse map of one ATF22LV10C, the packed image that travels to and from the
// programmer, and the JEDEC fuse checksum. Standard C++ only.
#pragma once

#include <array>
#include <cstdint>

namespace gantrel {

inline constexpr int kFuseArraySize = 10000;  // room for any F fill; fuses 0..9999
inline constexpr int kDeviceFuseCount = 5892;  // fuses 0..5891 are the chip's (QF5892)
inline constexpr int kDevicePinCount = 24;     // QP24
inline constexpr int kImageFuseCount = 5896;   // fuses 0..5895 travel in the image
inline constexpr int kFuseImageSize = 768;     // 12 blocks of 64 bytes
inline constexpr int kImageBlockSize = 64;
inline constexpr int kImageBlockCount = 12;
inline constexpr int kRowFuses = 44;           // fuses 0..5807: 132 rows of 44
inline constexpr int kRowCount = 132;
inline constexpr int kGroupFirstFuse = 5808;   // fuses 5808..5827: one group of 20
inline constexpr int kGroupFuses = 20;
inline constexpr int kUesFirstFuse = 5828;     // fuses 5828..5891: the UES, 8 bytes
inline constexpr int kUesBytes = 8;

// One byte per fuse, indexed by JEDEC fuse number; every entry is 0 or 1.
using FuseArray = std::array<std::uint8_t, kFuseArraySize>;
// Fuses 0..5895 packed eight to a byte, the lowest-numbered fuse in the most significant bit.
using FuseImage = std::array<std::uint8_t, kFuseImageSize>;
// The programmer electronic signature written into every generated JEDEC text.
using PesBytes = std::array<std::uint8_t, 10>;

// "1F22L10C3" and a zero byte: the signature the tool holds for the whole run.
inline constexpr PesBytes kPesBytes = {0x31, 0x46, 0x32, 0x32, 0x4C, 0x31, 0x30, 0x43, 0x33, 0x00};

// Clears all 768 bytes of `image`, then sets bit 0x80 >> (i % 8) of byte i / 8 for every fuse
// i in 0..5895 whose entry is 1. Bytes 737..767 stay 0.
void PackFuseImage(const FuseArray& fuses, FuseImage& image);

// Sets entries 0..5895 of `fuses` from the bits of `image` (same order as PackFuseImage).
// Entries 5896..9999 keep their values; image bytes 737..767 are not looked at.
void UnpackFuseImage(const FuseImage& image, FuseArray& fuses);

// The JEDEC fuse checksum over entries 0..n-1: groups of eight fuses form bytes with the
// lowest-numbered fuse in bit 0 (a short last group has its high bits 0); the bytes are
// summed modulo 65536. A count of 0 or less gives 0; a count above 10000 is limited to the
// 10000 entries held.
std::uint16_t FuseChecksum(const FuseArray& fuses, std::int32_t n);

// Byte k (0..7) of the UES: fuses 5828+8k..5835+8k, the lowest-numbered in the most
// significant bit.
std::uint8_t UesByte(const FuseArray& fuses, int k);

}  // namespace gantrel
