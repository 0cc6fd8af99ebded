// The writer: its worked example byte for byte and the lines it leaves out; writer -> reader
// round trips over random fuse maps.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "JedecWriter.h"
#include "ReadText.h"
#include "TestSupport.h"

namespace gantrel {
namespace {

using namespace std::string_literals;
using Ints = std::vector<int>;

std::string Write(const FuseArray& fuses, const PesBytes& pes = kPesBytes) {
  return JedecWriter(fuses, pes, testing::ExampleTime());
}

const std::string kHead(testing::kExampleText, std::strstr(testing::kExampleText, "*L0000"));
const std::string kPes = "*N PES 31 46 32 32 4C 31 30 43 33 00\r\n";

TEST(JedecWriter, WritesTheExampleAndTheLinesHoldingAOneWhole) {
  EXPECT_EQ(Write(testing::ExampleFuses()), testing::kExampleText);
  FuseArray fuses{};
  EXPECT_EQ(Write(fuses), kHead + kPes + "*C0000\r\n*");
  for (int i = kDeviceFuseCount; i < kFuseArraySize; ++i) fuses[i] = 1;  // never shown
  EXPECT_EQ(Write(fuses), kHead + kPes + "*C0000\r\n*");
  fuses = {};
  fuses[5891] = 1;  // one UES fuse brings the whole note and line
  EXPECT_EQ(Write(fuses), kHead + "*N UES 00 00 00 00 00 00 00 01\r\n*L5828 " +
                              std::string(63, '0') + "1\r\n" + kPes + "*C0008\r\n*");
  fuses = {};
  fuses[5827] = 1;  // the group of twenty alone
  EXPECT_EQ(Write(fuses), kHead + "*L5808 00000000000000000001\r\n" + kPes + "*C" +
                              testing::Hex4(FuseChecksum(fuses, kDeviceFuseCount)) + "\r\n*");
  const PesBytes pes = {0xAB, 0, 0, 0, 0, 0, 0, 0, 0, 0x05};
  EXPECT_EQ(Write(FuseArray{}, pes), kHead + "*N PES AB 00 00 00 00 00 00 00 00 05\r\n*C0000\r\n*");
  // The header's time, 24 characters with the day of the month in two digits; names out of
  // range read nothing past the tables.
  std::tm time = testing::ExampleTime();
  time.tm_mday = 2;
  time.tm_wday = 3;
  EXPECT_EQ(AscTime(time), "Wed Dec 02 04:28:52 2026");
  time.tm_hour = 9;
  time.tm_wday = 7;
  time.tm_mon = -1;
  EXPECT_EQ(AscTime(time), "??? ??? 02 09:28:52 2026");
  fuses.fill(1);  // the longest text
  const std::string text = Write(fuses);
  EXPECT_EQ(text.size(), 7277u);
  EXPECT_EQ(text.substr(text.size() - 9), "*CDD2F\r\n*");
  EXPECT_NE(text.find("*N UES FF FF FF FF FF FF FF FF\r\n*L5828 " + std::string(64, '1') + "\r\n"),
            std::string::npos);
}

TEST(JedecWriterRoundTrip, RandomMapsReadBackCleanly) {
  std::mt19937 random(20261213);
  for (int round = 0; round < 200; ++round) {
    // Densities from empty to full, so that rows, the group and the UES come and go.
    std::bernoulli_distribution bit((round % 11) / 10.0);
    FuseArray written{};
    for (auto& f : written) f = bit(random) ? 1 : 0;
    // Whatever the array held before: the text's F0 clears what it does not list.
    const ReadOut r = ReadText(JedecWriter(written, kPesBytes, testing::ExampleTime()), round % 2);
    ASSERT_TRUE(r.Result.Ok()) << "round " << round << " stopped at " << r.Result.Position;
    EXPECT_TRUE(DeclaresThisDevice(r.Result));
    EXPECT_EQ(
        Ints({r.Result.ChecksumTested, r.Result.GivenChecksum, r.Result.Qf, r.Result.Qp}),
        Ints({1, FuseChecksum(written, kDeviceFuseCount), kDeviceFuseCount, kDevicePinCount}));
    for (int i = 0; i < kFuseArraySize; ++i)
      ASSERT_EQ(r.Fuses[i], i < kDeviceFuseCount ? written[i] : 0) << "fuse " << i << ", " << round;
  }
}
}  // namespace
}  // namespace gantrel
