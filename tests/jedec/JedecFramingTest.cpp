// The transmission frame around the text: framing, unframing and the four verdicts on a file's
// checksum. In the byte strings, \002 is STX and \003 is ETX.
#include <gtest/gtest.h>

#include <string>

#include "JedecFraming.h"

namespace gantrel {
namespace {

using namespace std::string_literals;

// Framing appends the byte sum plus five in four hex digits. Unframing takes the text between the
// first STX and the ETX after it; the check reads the hex digits after that ETX and compares them
// with the text's sum.
TEST(JedecFraming, FramesUnframesAndChecksOkLineEndingsMismatchOrAbsent) {
  EXPECT_EQ(FrameJedecText("abc"), "\002abc\003012B");
  const struct {
    const char* Name;
    std::string File, Text, Status;
    int Stated, Computed;
  } cases[] = {
      {"five digits", "\002abc\0033012B\n", "abc", "ok", 0x012B, 0x012B},
      {"a banner, one off", "banner\r\n\002abc\003012C", "abc", "mismatch", 0x012C, 0x012B},
      {"256 more without a high byte", "\002abc\003022B", "abc", "mismatch", 0x022B, 0x012B},
      {"unsigned high bytes", "\002\xE9t\xE9\003024B", "\xE9t\xE9", "ok", 0x024B, 0x004B},
      // Line ends converted after the sum was taken: "a\r\nb" sums to 0xDF, "a\nb" to 0xD2.
      {"CR LF made LF", "\002a\nb\00300DF", "a\nb", "line-endings", 0xDF, 0xD2},
      {"LF made CR LF", "\002a\r\nb\00300D2", "a\r\nb", "line-endings", 0xD2, 0xDF},
      {"no digits", "\002abc\003\r\n012B", "abc", "absent", 0, 0x012B},
      {"a second STX", "a\002b\002c\003x", "b\002c", "absent", 0, 0xCC},
      {"no STX", "*F0*\0030126", "*F0*\0030126", "absent", 0, 0},
      {"no ETX", "x\002*L0 1*\r\n", "*L0 1*\r\n", "absent", 0, 0},
      {"a zero byte before STX", "ab\0\002*F0*\003012B"s, "ab", "absent", 0, 0},
      {"a zero byte hiding ETX", "\002ab\0cd\003"s, "ab", "absent", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UnframeJedecText(c.File), c.Text) << c.Name;
    const TransmissionCheck check = CheckTransmission(c.File);
    EXPECT_EQ(TransmissionStatusName(check.Status), c.Status) << c.Name;
    EXPECT_EQ(check.Stated, c.Stated) << c.Name;
    EXPECT_EQ(check.Computed, c.Computed) << c.Name;
  }
}

}  // namespace
}  // namespace gantrel
