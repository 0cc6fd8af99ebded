// The transmission frame around the text: framing, unframing and the four verdicts on a file's
// checksum.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "JedecFraming.h"

namespace gantrel {
namespace {

using namespace std::string_literals;

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
