#include <gtest/gtest.h>

#include <random>

#include "FuseMap.h"

namespace gantrel {
namespace {

FuseArray WithFuses(std::initializer_list<int> set) {
  FuseArray fuses{};
  for (int i : set) fuses[i] = 1;
  return fuses;
}

TEST(FuseChecksum, WorkedValues) {
  EXPECT_EQ(FuseChecksum(FuseArray{}, 5892), 0x0000);
  EXPECT_EQ(FuseChecksum(WithFuses({0}), 5892), 0x0001);
  EXPECT_EQ(FuseChecksum(WithFuses({0, 1, 3, 8, 9}), 10), 0x000E);
  EXPECT_EQ(FuseChecksum(WithFuses({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), 12), 0x010E);
  FuseArray all{};
  for (int i = 0; i < 5892; ++i) all[i] = 1;
  EXPECT_EQ(FuseChecksum(all, 5892), 0xDD2F);
}

TEST(FuseChecksum, CountsOnlyTheFirstNFusesAndNothingForNonPositiveCounts) {
  FuseArray fuses{};
  fuses.fill(1);
  EXPECT_EQ(FuseChecksum(fuses, 0), 0);
  EXPECT_EQ(FuseChecksum(fuses, -5), 0);
  EXPECT_EQ(FuseChecksum(fuses, 1), 0x0001);
  EXPECT_EQ(FuseChecksum(fuses, 9), 0x00FF + 0x0001);
  // 10000 fuses: 1250 bytes of 0xFF. A larger count is limited to the entries held.
  EXPECT_EQ(FuseChecksum(fuses, 10000), (1250 * 0xFF) & 0xFFFF);
  EXPECT_EQ(FuseChecksum(fuses, 2'000'000'000), (1250 * 0xFF) & 0xFFFF);
}

TEST(FuseImage, PacksLowestFuseIntoMostSignificantBit) {
  FuseImage image{};
  image.fill(0xAA);
  PackFuseImage(WithFuses({0, 1}), image);
  EXPECT_EQ(image[0], 0xC0);
  for (int k = 1; k < kFuseImageSize; ++k) ASSERT_EQ(image[k], 0) << k;
  // The checksum groups the same two fuses the other way round.
  EXPECT_EQ(FuseChecksum(WithFuses({0, 1}), 8), 0x03);
}

TEST(FuseImage, FusesBeyondTheDeviceAreTheLowBitsOfByte736) {
  FuseImage image{};
  PackFuseImage(WithFuses({5892, 5893, 5894, 5895, 5896, 9999}), image);
  EXPECT_EQ(image[736], 0x0F);
  for (int k = 737; k < kFuseImageSize; ++k) EXPECT_EQ(image[k], 0);
  EXPECT_EQ(FuseChecksum(WithFuses({5892, 5893, 5894, 5895}), 5892), 0);
}

TEST(FuseImage, UnpackIgnoresTrailingBytesAndKeepsHighEntries) {
  FuseImage image{};
  image.fill(0xFF);
  FuseArray fuses{};
  fuses[5896] = 1;
  fuses[9999] = 0;
  UnpackFuseImage(image, fuses);
  for (int i = 0; i < kImageFuseCount; ++i) ASSERT_EQ(fuses[i], 1) << i;
  EXPECT_EQ(fuses[5896], 1);
  EXPECT_EQ(fuses[5897], 0);
  EXPECT_EQ(fuses[9999], 0);
}

TEST(FuseImage, PackThenUnpackRoundTripsRandomMaps) {
  std::mt19937 rng(42);
  for (int round = 0; round < 50; ++round) {
    FuseArray fuses{};
    for (auto& f : fuses) f = static_cast<std::uint8_t>(rng() & 1);
    FuseImage image{};
    PackFuseImage(fuses, image);
    FuseArray back = fuses;
    for (int i = 0; i < kImageFuseCount; ++i) back[i] = static_cast<std::uint8_t>(1 - back[i]);
    UnpackFuseImage(image, back);
    ASSERT_EQ(back, fuses);
    for (int k = 737; k < kFuseImageSize; ++k) ASSERT_EQ(image[k], 0);
  }
}

TEST(FuseImage, ThreeBitOrdersDiffer) {
  // Fuse 5828 (first UES fuse) lands in the top bit of image byte 728 (5824/8) at j = 4,
  // and in bit 4 of checksum byte 728.
  FuseArray fuses = WithFuses({5828});
  FuseImage image{};
  PackFuseImage(fuses, image);
  EXPECT_EQ(image[728], 0x80 >> 4);
  EXPECT_EQ(FuseChecksum(fuses, 5892), 1 << 4);
}

TEST(PesBytes, HoldsTheFixedSignature) {
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(kPesBytes.data())), "1F22L10C3");
  EXPECT_EQ(kPesBytes[9], 0);
}

}  // namespace
}  // namespace gantrel
