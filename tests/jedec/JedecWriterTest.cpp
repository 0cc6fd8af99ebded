#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "JedecReader.h"
#include "JedecWriter.h"
#include "ScriptedQuestion.h"

namespace gantrel {
namespace {

// Sun Dec 13 04:28:52 2026.
std::tm ExampleTime() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 13;
  time.tm_hour = 4;
  time.tm_min = 28;
  time.tm_sec = 52;
  time.tm_wday = 0;
  return time;
}

constexpr char kFixedLines[] = "*QP24\r\n*QF5892\r\n*QV0\r\n*F0\r\n*G0\r\n*X0\r\n";
constexpr char kPesLine[] = "*N PES 31 46 32 32 4C 31 30 43 33 00\r\n";

std::string Header() {
  return "JEDEC file for ATF22LV10C created on Sun Dec 13 04:28:52 2026\r\n";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  return lines;
}

TEST(AscTime, FormatsLikeCAsctimeWithoutNewline) {
  EXPECT_EQ(AscTime(ExampleTime()), "Sun Dec 13 04:28:52 2026");
  std::tm time{};
  time.tm_year = 2027 - 1900;
  time.tm_mon = 0;
  time.tm_mday = 5;
  time.tm_hour = 9;
  time.tm_min = 3;
  time.tm_sec = 7;
  time.tm_wday = 2;
  EXPECT_EQ(AscTime(time), "Tue Jan  5 09:03:07 2027");
}

TEST(AscTime, OutOfRangeNamesDoNotReadPastTables) {
  std::tm time = ExampleTime();
  time.tm_wday = 7;
  time.tm_mon = -1;
  EXPECT_EQ(AscTime(time), "??? ??? 13 04:28:52 2026");
}

TEST(JedecWriter, WorkedExampleByteForByte) {
  FuseArray fuses{};
  for (int i : {0, 1, 131, 5808, 5811}) fuses[i] = 1;
  // UES bytes 'A' (0x41) and 'B' (0x42), lowest fuse in the most significant bit.
  for (int i : {5829, 5835, 5837, 5842}) fuses[i] = 1;
  const std::string expected =
      Header() + kFixedLines +
      "*L0000 11000000000000000000000000000000000000000000\r\n"
      "*L0088 00000000000000000000000000000000000000000001\r\n"
      "*L5808 10010000000000000000\r\n"
      "*N UES 41 42 00 00 00 00 00 00\r\n"
      "*L5828 0100000101000010000000000000000000000000000000000000000000000000\r\n" +
      kPesLine + "*C0060\r\n*";
  EXPECT_EQ(JedecWriter(fuses, kPesBytes, ExampleTime()), expected);
}

TEST(JedecWriter, AllZeroMapGivesOnlyFixedLines) {
  const std::string expected = Header() + kFixedLines + kPesLine + "*C0000\r\n*";
  EXPECT_EQ(JedecWriter(FuseArray{}, kPesBytes, ExampleTime()), expected);
}

TEST(JedecWriter, FusesBeyondDeviceNeverShow) {
  FuseArray fuses{};
  for (int i = kDeviceFuseCount; i < kFuseArraySize; ++i) fuses[i] = 1;
  EXPECT_EQ(JedecWriter(fuses, kPesBytes, ExampleTime()),
            JedecWriter(FuseArray{}, kPesBytes, ExampleTime()));
}

TEST(JedecWriter, AllOnesTextIsLongestWithFullChecksum) {
  FuseArray fuses{};
  fuses.fill(1);
  const std::string text = JedecWriter(fuses, kPesBytes, ExampleTime());
  EXPECT_EQ(text.size(), 7277u);
  EXPECT_EQ(text.substr(text.size() - 9), "*CDD2F\r\n*");
  EXPECT_NE(text.find("*N UES FF FF FF FF FF FF FF FF\r\n*L5828 " + std::string(64, '1') + "\r\n"),
            std::string::npos);
}

TEST(JedecWriter, RowWithOneFuseIsWrittenWholeAtEachAddress) {
  FuseArray fuses{};
  for (int row = 0; row < kRowCount; ++row) fuses[44 * row + row % 44] = 1;
  const std::vector<std::string> lines = Lines(JedecWriter(fuses, kPesBytes, ExampleTime()));
  // Header, six fixed lines, then the rows.
  ASSERT_GE(lines.size(), 7u + kRowCount);
  for (int row = 0; row < kRowCount; ++row) {
    char address[8];
    std::snprintf(address, sizeof address, "%04d", 44 * row);
    std::string bits(44, '0');
    bits[row % 44] = '1';
    EXPECT_EQ(lines[7 + row], "*L" + std::string(address) + " " + bits);
  }
  EXPECT_EQ(lines[7 + kRowCount - 1].substr(0, 7), "*L5764 ");
}

TEST(JedecWriter, SingleUesFuseBringsWholeNoteAndLine) {
  FuseArray fuses{};
  fuses[5891] = 1;
  const std::vector<std::string> lines = Lines(JedecWriter(fuses, kPesBytes, ExampleTime()));
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[7], "*N UES 00 00 00 00 00 00 00 01");
  EXPECT_EQ(lines[8], "*L5828 " + std::string(63, '0') + "1");
  EXPECT_EQ(lines[10], "*C0008");
  EXPECT_EQ(lines[11], "*");
}

TEST(JedecWriter, GroupOfTwentyAloneWhenOnlyItHoldsAOne) {
  FuseArray fuses{};
  fuses[5827] = 1;
  const std::vector<std::string> lines = Lines(JedecWriter(fuses, kPesBytes, ExampleTime()));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[7], "*L5808 00000000000000000001");
  EXPECT_EQ(lines[8].substr(0, 6), "*N PES");
}

TEST(JedecWriter, PesNoteFollowsTheBytesGiven) {
  PesBytes pes{};
  pes[0] = 0xAB;
  pes[9] = 0x05;
  const std::string text = JedecWriter(FuseArray{}, pes, ExampleTime());
  EXPECT_NE(text.find("*N PES AB 00 00 00 00 00 00 00 00 05\r\n"), std::string::npos);
}

TEST(JedecWriterRoundTrip, RandomMapsReadBackWithoutQuestion) {
  std::mt19937 random(20261213);
  for (int round = 0; round < 200; ++round) {
    // Densities from empty to full, so that rows, the group and the UES come and go.
    const double density = (round % 11) / 10.0;
    std::bernoulli_distribution bit(density);
    FuseArray written{};
    for (int i = 0; i < kFuseArraySize; ++i) written[i] = bit(random) ? 1 : 0;
    const std::string text = JedecWriter(written, kPesBytes, ExampleTime());

    FuseArray read;
    for (auto& f : read) f = bit(random) ? 1 : 0;  // whatever the array held before
    ScriptedQuestion question(false);
    const JedecReadResult result = JedecReader(text, read, question);
    ASSERT_TRUE(result.Ok()) << "round " << round << " stopped at " << result.Position;
    EXPECT_TRUE(question.Calls.empty());
    EXPECT_TRUE(result.ChecksumTested);
    EXPECT_EQ(result.GivenChecksum, FuseChecksum(written, kDeviceFuseCount));
    EXPECT_EQ(result.Qf, kDeviceFuseCount);
    EXPECT_EQ(result.Qp, kDevicePinCount);
    for (int i = 0; i < kDeviceFuseCount; ++i) {
      ASSERT_EQ(read[i], written[i]) << "fuse " << i << " in round " << round;
    }
    // The text's F0 clears what it does not list, beyond the device too.
    for (int i = kDeviceFuseCount; i < kFuseArraySize; ++i) ASSERT_EQ(read[i], 0);
  }
}

}  // namespace
}  // namespace gantrel
