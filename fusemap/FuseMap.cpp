#include "FuseMap.h"

#include <algorithm>

namespace gantrel {

void PackFuseImage(const FuseArray& fuses, FuseImage& image) {
  image.fill(0);
  for (int i = 0; i < kImageFuseCount; ++i) {
    if (fuses[i] == 1) image[i / 8] |= static_cast<std::uint8_t>(0x80u >> (i % 8));
  }
}

void UnpackFuseImage(const FuseImage& image, FuseArray& fuses) {
  for (int i = 0; i < kImageFuseCount; ++i) {
    fuses[i] = (image[i / 8] & (0x80u >> (i % 8))) != 0 ? 1 : 0;
  }
}

std::uint16_t FuseChecksum(const FuseArray& fuses, std::int32_t n) {
  if (n <= 0) return 0;
  const int count = std::min<std::int32_t>(n, kFuseArraySize);
  std::uint32_t sum = 0;
  int i = 0;
  // Whole groups of eight: fuse 8k+j goes to bit j.
  for (; i + 8 <= count; i += 8) {
    unsigned byte = 0;
    for (int j = 0; j < 8; ++j) byte |= (fuses[i + j] != 0 ? 1u : 0u) << j;
    sum += byte;
  }
  // A short last group keeps its missing high bits at 0.
  unsigned byte = 0;
  for (int j = 0; i + j < count; ++j) byte |= (fuses[i + j] != 0 ? 1u : 0u) << j;
  sum += byte;
  return static_cast<std::uint16_t>(sum & 0xFFFFu);
}

std::uint8_t UesByte(const FuseArray& fuses, int k) {
  unsigned byte = 0;
  for (int j = 0; j < 8; ++j) byte |= (fuses[kUesFirstFuse + 8 * k + j] != 0 ? 0x80u : 0u) >> j;
  return static_cast<std::uint8_t>(byte);
}

}  // namespace gantrel
