// The fuse checksum and the packed image: two bit orders over the same fuses.
#include <gtest/gtest.h>

#include <vector>

#include "FuseMap.h"

namespace gantrel {
namespace {

TEST(FuseChecksum, SumsBytesWithTheLowestFuseInBitZero) {
  const struct {
    const char* Name;
    bool All;               // every fuse at 1
    std::vector<int> Ones;  // else these
    int Count, Want;
  } cases[] = {
      {"a short last byte", false, {0, 1, 3, 8, 9}, 10, 0x000E},
      {"the first UES fuse, bit 4 of byte 728", false, {5828}, 5892, 0x0010},
      {"every device fuse, none past them", true, {}, 5892, 0xDD2F},
      {"a negative count", true, {}, -5, 0},
      {"a count past the array: 1250 bytes of FF", true, {}, 2'000'000'000, 0xDD1E},
  };
  for (const auto& c : cases) {
    FuseArray fuses{};
    fuses.fill(c.All);
    for (int i : c.Ones) fuses[i] = 1;
    EXPECT_EQ(FuseChecksum(fuses, c.Count), c.Want) << c.Name;
  }
}

TEST(FuseImage, PacksTheLowestFuseIntoTheTopBitAndUnpacksOnlyFusesZeroTo5895) {
  FuseArray fuses{};
  for (int i : {0, 1, 5828, 5895, 5896, 9999}) fuses[i] = 1;
  FuseImage image{};
  image.fill(0xAA);
  PackFuseImage(fuses, image);
  FuseImage want{};
  want[0] = 0xC0;
  want[728] = 0x08;
  want[736] = 0x01;
  EXPECT_EQ(image, want);
  FuseArray back;
  back.fill(1);
  UnpackFuseImage(image, back);
  for (int i = 0; i < kFuseArraySize; ++i)
    ASSERT_EQ(back[i], i < kImageFuseCount ? fuses[i] : 1) << "fuse " << i;
}

}  // namespace
}  // namespace gantrel
