#include <gtest/gtest.h>

#include <string>

#include "JedecFraming.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

using namespace std::string_literals;

TEST(FrameJedecText, WorkedExamples) {
  EXPECT_EQ(FrameJedecText("abc"), "\x02"s + "abc\x03" + "012B");
  EXPECT_EQ(TransmissionChecksum("abc"), 0x012B);
  EXPECT_EQ(FrameJedecText(""), "\x02\x03"s + "0005");
  EXPECT_EQ(FrameJedecText("").size(), 6u);
}

TEST(FrameJedecText, FullTextSumWrapsToFourDigits) {
  FuseArray fuses{};
  fuses.fill(1);
  const std::string text = JedecWriter(fuses, kPesBytes, std::tm{});
  unsigned long sum = 5;
  for (char c : text) sum += static_cast<unsigned char>(c);  // plain ASCII: signed equals unsigned
  ASSERT_GT(sum, 0xFFFFul);
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04lX", sum & 0xFFFF);
  const std::string frame = FrameJedecText(text);
  ASSERT_EQ(frame.size(), text.size() + 6);
  EXPECT_EQ(frame.substr(0, text.size() + 2), "\x02" + text + "\x03");
  EXPECT_EQ(frame.substr(text.size() + 2), digits);
}

TEST(TransmissionChecksum, CountsHighBytesAsSigned) {
  // 0x80 counts as -128: 5 - 128 = -123, 0xFF85; 0xFF counts as -1.
  EXPECT_EQ(TransmissionChecksum("\x80"), 0xFF85);
  EXPECT_EQ(TransmissionChecksum("\xFF\xFF"), 0x0003);
  EXPECT_EQ(FrameJedecText("\xFF\xFF").substr(4), "0003");
}

TEST(FrameJedecText, HasNoLengthLimit) {
  const std::string text(20000, 'x');
  const std::string frame = FrameJedecText(text);
  ASSERT_EQ(frame.size(), 20006u);
  EXPECT_EQ(frame[20001], '\x03');
  // 20000 * 0x78 + 5 = 2400005, 0x9F05 modulo 65536.
  EXPECT_EQ(frame.substr(20002), "9F05");
}

TEST(UnframeJedecText, SavedFrameLoadsBackToTheText) {
  const std::string text = "header\r\n*QF5892*L0 1*C0001*\r\n";
  EXPECT_EQ(UnframeJedecText(FrameJedecText(text)), text);
  EXPECT_EQ(UnframeJedecText(FrameJedecText("")), "");
}

TEST(UnframeJedecText, DropsBannerBeforeStx) {
  EXPECT_EQ(UnframeJedecText("banner\r\n\r\n\x02*F0*\x03"
                             "1234"),
            "*F0*");
}

TEST(UnframeJedecText, WithoutStxKeepsEtxAndWhatFollows) {
  EXPECT_EQ(UnframeJedecText("*F0*\x03"
                             "ABCD\r\n"),
            "*F0*\x03"
            "ABCD\r\n");
}

TEST(UnframeJedecText, OnlyFirstStxIsDropped) {
  EXPECT_EQ(UnframeJedecText("a\x02"
                             "b\x02"
                             "c\x03"
                             "d"),
            "b\x02"
            "c");
}

TEST(UnframeJedecText, StxWithoutEtxKeepsEverythingAfterIt) {
  EXPECT_EQ(UnframeJedecText("x\x02*L0 1*\r\n"), "*L0 1*\r\n");
}

TEST(UnframeJedecText, ZeroByteEndsTheText) {
  // A zero before the STX hides it: the text is what precedes the zero.
  EXPECT_EQ(UnframeJedecText("ab\0\x02*F0*\x03"s), "ab");
  EXPECT_EQ(UnframeJedecText("\x02"
                             "ab\0cd\x03"s),
            "ab");
  EXPECT_EQ(UnframeJedecText(""), "");
}

TEST(UnframeJedecText, LongFileIsKeptWhole) {
  std::string file = "\x02" + std::string(19990, '1') + "\x03" + "0000";
  EXPECT_EQ(UnframeJedecText(file).size(), 19990u);
  file = std::string(20000, 'N');
  EXPECT_EQ(UnframeJedecText(file), file);
}

TEST(CheckTransmission, FramedTextIsOk) {
  const std::string frame = FrameJedecText("*QF5892*\r\n*C0000*\r\n");
  const TransmissionCheck check = CheckTransmission(frame);
  EXPECT_EQ(check.Status, TransmissionStatus::Ok);
  EXPECT_EQ(check.Stated, check.Computed);
  EXPECT_EQ(check.Computed, TransmissionChecksum("*QF5892*\r\n*C0000*\r\n"));
}

TEST(CheckTransmission, ReadsWholeRunOfHexDigitsInEitherCase) {
  // abc sums to 0x012B.
  EXPECT_EQ(CheckTransmission("\x02"
                              "abc\x03"
                              "012b\r\n")
                .Status,
            TransmissionStatus::Ok);
  const TransmissionCheck fiveDigits = CheckTransmission(
      "\x02"
      "abc\x03"
      "3012B\n");
  EXPECT_EQ(fiveDigits.Status, TransmissionStatus::Ok);
  EXPECT_EQ(fiveDigits.Stated, 0x012B);
  const TransmissionCheck wrong = CheckTransmission(
      "\x02"
      "abc\x03"
      "012C");
  EXPECT_EQ(wrong.Status, TransmissionStatus::Mismatch);
  EXPECT_EQ(wrong.Stated, 0x012C);
  EXPECT_EQ(wrong.Computed, 0x012B);
  EXPECT_EQ(CheckTransmission("\x02"
                              "abc\x03"
                              "0000")
                .Status,
            TransmissionStatus::Mismatch);
}

TEST(CheckTransmission, AbsentWithoutFrameOrDigits) {
  EXPECT_EQ(CheckTransmission("\x02"
                              "abc")
                .Status,
            TransmissionStatus::Absent);
  EXPECT_EQ(CheckTransmission("\x02"
                              "abc\x03")
                .Status,
            TransmissionStatus::Absent);
  EXPECT_EQ(CheckTransmission("\x02"
                              "abc\x03\r\n012B")
                .Status,
            TransmissionStatus::Absent);
  // An ETX without an STX frames nothing.
  EXPECT_EQ(CheckTransmission("abc\x03"
                              "0126")
                .Status,
            TransmissionStatus::Absent);
  // Nor does a frame hidden behind a zero byte.
  EXPECT_EQ(CheckTransmission("\0\x02"
                              "abc\x03"
                              "012B"s)
                .Status,
            TransmissionStatus::Absent);
  EXPECT_EQ(CheckTransmission("").Status, TransmissionStatus::Absent);
}

TEST(CheckTransmission, ConvertedLineEndingsAreToldApart) {
  const std::string crlfText = "head\r\n*F0*\r\n*C0000*\r\n";
  std::string frame = FrameJedecText(crlfText);
  // Converted to LF after writing: the sum was taken over CR LF.
  std::string lf;
  for (char c : frame)
    if (c != '\r') lf += c;
  EXPECT_EQ(CheckTransmission(lf).Status, TransmissionStatus::LineEndings);

  const std::string lfText = "head\n*F0*\n*C0000*\n";
  frame = FrameJedecText(lfText);
  std::string crlf;
  for (char c : frame) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const TransmissionCheck check = CheckTransmission(crlf);
  EXPECT_EQ(check.Status, TransmissionStatus::LineEndings);
  EXPECT_EQ(check.Stated, TransmissionChecksum(lfText));
  EXPECT_EQ(check.Computed, TransmissionChecksum("head\r\n*F0*\r\n*C0000*\r\n"));
}

TEST(CheckTransmission, AcceptsUnsignedSumWhereHighBytesStand) {
  // "\xE9t\xE9": signed -23 + 116 - 23 + 5 = 0x004B; unsigned 233 + 116 + 233 + 5 = 0x024B.
  EXPECT_EQ(CheckTransmission("\x02\xE9t\xE9\x03"
                              "024B")
                .Status,
            TransmissionStatus::Ok);
  EXPECT_EQ(CheckTransmission(FrameJedecText("\xE9t\xE9")).Status, TransmissionStatus::Ok);
  // Without a high byte the two sums are the same, and 256 more is simply wrong.
  EXPECT_EQ(CheckTransmission("\x02"
                              "abc\x03"
                              "022B")
                .Status,
            TransmissionStatus::Mismatch);
}

TEST(CheckTransmission, StatusNames) {
  EXPECT_STREQ(TransmissionStatusName(TransmissionStatus::Absent), "absent");
  EXPECT_STREQ(TransmissionStatusName(TransmissionStatus::Ok), "ok");
  EXPECT_STREQ(TransmissionStatusName(TransmissionStatus::LineEndings), "line-endings");
  EXPECT_STREQ(TransmissionStatusName(TransmissionStatus::Mismatch), "mismatch");
}

}  // namespace
}  // namespace gantrel
