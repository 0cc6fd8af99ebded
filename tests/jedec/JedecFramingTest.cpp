// The transmission frame around the text: framing, unframing and the four verdicts on a file's
// checksum. In the byte strings, \002 is STX and \003 is ETX.
#include <gtest/gtest.h>

#include <string>

#include "JedecFraming.h"

namespace gantrel {
namespace {

using namespace std::string_literals;

TEST(JedecFraming, FramesWithTheSignedByteSumPlusFive) {
  EXPECT_EQ(FrameJedecText("abc"), "\002abc\003012B");
  EXPECT_EQ(FrameJedecText("\xFF\xFF"), "\002\xFF\xFF\0030003");  // 0xFF counts as -1
  // A long text's sum wraps to four digits: 20000 'x' make 2400005, 0x9F05.
  EXPECT_EQ(FrameJedecText(std::string(20000, 'x')), "\002" + std::string(20000, 'x') + "\0039F05");
}

TEST(JedecFraming, UnframesTheTextBetweenTheFirstStxAndTheEtxAfterIt) {
  const struct {
    const char* Name;
    std::string File, Text;
  } cases[] = {
      {"a framed text", FrameJedecText("*L0 1*\r\n"), "*L0 1*\r\n"},
      {"a banner before STX", "banner\r\n\002*F0*\0031234", "*F0*"},
      {"no STX: all kept", "*F0*\003ABCD\r\n", "*F0*\003ABCD\r\n"},
      {"a second STX", "a\002b\002c\003d", "b\002c"},
      {"no ETX", "x\002*L0 1*\r\n", "*L0 1*\r\n"},
      {"a zero byte before STX", "ab\0\002*F0*\003"s, "ab"},
      {"a zero byte inside", "\002ab\0cd\003"s, "ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(UnframeJedecText(c.File), c.Text) << c.Name;
}

TEST(CheckTransmission, TellsOkLineEndingsMismatchOrAbsent) {
  const struct {
    const char* Name;
    std::string File, Status;
    int Stated, Computed;
  } cases[] = {
      {"lower case", "\002abc\003012b\r\n", "ok", 0x012B, 0x012B},
      {"five digits", "\002abc\0033012B\n", "ok", 0x012B, 0x012B},
      {"one off", "\002abc\003012C", "mismatch", 0x012C, 0x012B},
      {"256 more without a high byte", "\002abc\003022B", "mismatch", 0x022B, 0x012B},
      {"unsigned high bytes", "\002\xE9t\xE9\003024B", "ok", 0x024B, 0x004B},
      // Line ends converted after the sum was taken: "a\r\nb" sums to 0xDF, "a\nb" to 0xD2.
      {"CR LF made LF", "\002a\nb\00300DF", "line-endings", 0xDF, 0xD2},
      {"LF made CR LF", "\002a\r\nb\00300D2", "line-endings", 0xD2, 0xDF},
      {"no digits", "\002abc\003\r\n012B", "absent", 0, 0x012B},
      {"no STX", "abc\0030126", "absent", 0, 0},
      {"STX behind a zero byte", "\0\002abc\003012B"s, "absent", 0, 0},
  };
  for (const auto& c : cases) {
    const TransmissionCheck check = CheckTransmission(c.File);
    EXPECT_EQ(TransmissionStatusName(check.Status), c.Status) << c.Name;
    EXPECT_EQ(check.Stated, c.Stated) << c.Name;
    EXPECT_EQ(check.Computed, c.Computed) << c.Name;
  }
}

}  // namespace
}  // namespace gantrel
