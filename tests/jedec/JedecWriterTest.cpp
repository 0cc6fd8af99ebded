// The writer: its worked example byte for byte and the lines it leaves out; the transmission
// frame around the text: framing, unframing and the four verdicts on a file's checksum.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "JedecFraming.h"
#include "JedecWriter.h"
#include "TestSupport.h"

namespace gantrel {
namespace {

using namespace std::string_literals;

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
  // The time as asctime writes it, without its newline; names out of range read nothing past
  // the tables.
  std::tm time = testing::ExampleTime();
  EXPECT_EQ(AscTime(time), "Sun Dec 13 04:28:52 2026");
  time.tm_mday = 5;
  time.tm_hour = 9;
  time.tm_wday = 7;
  time.tm_mon = -1;
  EXPECT_EQ(AscTime(time), "??? ???  5 09:28:52 2026");
  fuses.fill(1);  // the longest text
  const std::string text = Write(fuses);
  EXPECT_EQ(text.size(), 7277u);
  EXPECT_EQ(text.substr(text.size() - 9), "*CDD2F\r\n*");
  EXPECT_NE(text.find("*N UES FF FF FF FF FF FF FF FF\r\n*L5828 " + std::string(64, '1') + "\r\n"),
            std::string::npos);
}

// The transmission frame. In the byte strings, \002 is STX and \003 is ETX.
TEST(JedecFraming, FramesAndUnframes) {
  EXPECT_EQ(FrameJedecText("abc"), "\002abc\003012B");
  EXPECT_EQ(FrameJedecText(""), "\002\0030005");
  // High bytes count as signed: 0x80 as -128 (5 - 128 = 0xFF85), 0xFF as -1.
  EXPECT_EQ(TransmissionChecksum("\x80"), 0xFF85);
  EXPECT_EQ(FrameJedecText("\xFF\xFF"), "\002\xFF\xFF\0030003");
  // A long text's sum wraps to four digits: 20000 'x' make 2400005, 0x9F05.
  EXPECT_EQ(FrameJedecText(std::string(20000, 'x')), "\002" + std::string(20000, 'x') + "\0039F05");
  // Unframing: the text between the first STX and the ETX after it, as the loader sees it.
  const std::string text = "header\r\n*QF5892*L0 1*C0001*\r\n";
  const struct {
    std::string File, Text;
  } cases[] = {
      {FrameJedecText(text), text},
      {FrameJedecText(""), ""},
      {"", ""},
      {"banner\r\n\r\n\002*F0*\0031234", "*F0*"},  // what stands before STX goes
      {"*F0*\003ABCD\r\n", "*F0*\003ABCD\r\n"},    // no STX: ETX and all kept
      {"a\002b\002c\003d", "b\002c"},              // only the first STX goes
      {"x\002*L0 1*\r\n", "*L0 1*\r\n"},           // no ETX: all after STX kept
      {"ab\0\002*F0*\003"s, "ab"},                 // a zero byte hides the STX
      {"\002ab\0cd\003"s, "ab"},                   // and ends the text
      {"\002" + std::string(19990, '1') + "\0030000", std::string(19990, '1')},  // kept whole
      {std::string(20000, 'N'), std::string(20000, 'N')},
  };
  for (const auto& c : cases) EXPECT_EQ(UnframeJedecText(c.File), c.Text) << c.File.size();
}

TEST(CheckTransmission, TellsTheFourVerdicts) {
  const std::string crlf = "head\r\n*F0*\r\n*C0000*\r\n", lf = "head\n*F0*\n*C0000*\n";
  std::string crlfToLf, lfToCrlf;  // converted after the sum was taken
  for (char c : FrameJedecText(crlf)) crlfToLf += c == '\r' ? "" : std::string(1, c);
  for (char c : FrameJedecText(lf)) lfToCrlf += c == '\n' ? "\r\n" : std::string(1, c);
  const auto ok = TransmissionChecksum(crlf), bare = TransmissionChecksum(lf);
  const struct {
    std::string File;
    const char* Status;
    int Stated, Computed;
  } cases[] = {
      {FrameJedecText(crlf), "ok", ok, ok},
      {"\002abc\003012b\r\n", "ok", 0x012B, 0x012B},  // lower case
      {"\002abc\0033012B\n", "ok", 0x012B, 0x012B},   // five digits
      {"\002abc\003012C", "mismatch", 0x012C, 0x012B},
      {"\002abc\0030000", "mismatch", 0, 0x012B},       // a dummy sum
      {"\002abc\003022B", "mismatch", 0x022B, 0x012B},  // no high byte: 256 more is wrong
      {"\002\xE9t\xE9\003024B", "ok", 0x024B, 0x004B},  // the unsigned sum of high bytes
      {FrameJedecText("\xE9t\xE9"), "ok", 0x004B, 0x004B},
      {crlfToLf, "line-endings", ok, bare},
      {lfToCrlf, "line-endings", bare, ok},
      {"\002abc", "absent", 0, 0},
      {"\002abc\003", "absent", 0, 0x012B},
      {"\002abc\003\r\n012B", "absent", 0, 0x012B},
      {"abc\0030126", "absent", 0, 0},         // an ETX without STX frames nothing
      {"\0\002abc\003012B"s, "absent", 0, 0},  // nor does a frame behind a zero byte
      {"", "absent", 0, 0},
  };
  for (const auto& c : cases) {
    const TransmissionCheck check = CheckTransmission(c.File);
    EXPECT_EQ(std::make_tuple(std::string(TransmissionStatusName(check.Status)), int(check.Stated),
                              int(check.Computed)),
              std::make_tuple(std::string(c.Status), c.Stated, c.Computed))
        << c.File;
  }
}

}  // namespace
}  // namespace gantrel
