// The writer: its worked example byte for byte, the lines it leaves out, and writer -> reader
// round trips over random fuse maps.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "JedecReader.h"
#include "JedecWriter.h"
#include "TestSupport.h"

namespace gantrel {
namespace {

std::string Write(const FuseArray& fuses, const PesBytes& pes = kPesBytes) {
  return JedecWriter(fuses, pes, testing::ExampleTime());
}

// The worked example byte for byte; then a map whose one fuse shown is in the UES.
TEST(JedecWriter, WritesTheWorkedExampleAndListsOnlyTheLinesHoldingAOneAndTheGivenPes) {
  EXPECT_EQ(Write(testing::ExampleFuses()), testing::kExampleText);
  const std::string head(testing::kExampleText, std::strstr(testing::kExampleText, "*L0000"));
  FuseArray fuses{};
  for (int i = kDeviceFuseCount; i < kFuseArraySize; ++i) fuses[i] = 1;  // never shown
  fuses[5891] = 1;  // one UES fuse brings the whole note and line
  EXPECT_EQ(Write(fuses, {0xAB, 0, 0, 0, 0, 0, 0, 0, 0, 0x05}),
            head + "*N UES 00 00 00 00 00 00 00 01\r\n*L5828 " + std::string(63, '0') +
                "1\r\n*N PES AB 00 00 00 00 00 00 00 00 05\r\n*C0008\r\n*");
}

TEST(JedecWriter, HeaderTimeHasATwoDigitDayAndNamesOutOfRangeAsQuestionMarks) {
  std::tm time = testing::ExampleTime();
  time.tm_mday = 2;
  EXPECT_EQ(AscTime(time), "Sun Dec 02 04:28:52 2026");
  time.tm_wday = 7;
  time.tm_mon = -1;
  EXPECT_EQ(AscTime(time), "??? ??? 02 04:28:52 2026");
}

TEST(JedecWriterRoundTrip, RandomMapsReadBackWithTheirChecksum) {
  std::mt19937 random(20261213);
  for (int round = 0; round < 100; ++round) {
    // Densities from empty to full, so that rows, the group and the UES come and go.
    std::bernoulli_distribution bit((round % 11) / 10.0);
    FuseArray written{};
    for (auto& f : written) f = bit(random) ? 1 : 0;
    FuseArray read{};
    const JedecReadResult r = JedecReader(Write(written), read);
    ASSERT_TRUE(r.Ok()) << "round " << round << " stopped at " << r.Position;
    EXPECT_TRUE(r.ChecksumTested && DeclaresThisDevice(r)) << round;
    for (int i = 0; i < kFuseArraySize; ++i)
      ASSERT_EQ(read[i], i < kDeviceFuseCount ? written[i] : 0) << "fuse " << i << ", " << round;
  }
}

}  // namespace
}  // namespace gantrel
