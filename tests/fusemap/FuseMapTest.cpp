// The packed image: the lowest fuse in the top bit. The fuse checksum's bit order and short last
// byte are pinned by the writer's checksum line, its count past the array by the reader's.
#include <gtest/gtest.h>

#include "FuseMap.h"

namespace gantrel {
namespace {

TEST(FuseImage, PacksTheLowestFuseIntoTheTopBitAndUnpacksOnlyFusesZeroTo5895) {
  FuseArray fuses{};
  for (int i : {0, 1, 5895, 5896, 9999}) fuses[i] = 1;
  FuseImage image{};
  image.fill(0xAA);
  PackFuseImage(fuses, image);
  FuseImage want{};
  want[0] = 0xC0;
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
