#include <gtest/gtest.h>

#include <string>

#include "JedecReader.h"
#include "ScriptedQuestion.h"

namespace gantrel {
namespace {

using namespace std::string_literals;

FuseArray Filled(std::uint8_t value) {
  FuseArray fuses;
  fuses.fill(value);
  return fuses;
}

int CountSet(const FuseArray& fuses) {
  int count = 0;
  for (std::uint8_t f : fuses) count += f;
  return count;
}

// Reads `text` into `fuses`, answering any checksum question with `accept`; fails the test if
// the question was asked more than once.
JedecReadResult Read(std::string_view text, FuseArray& fuses, bool accept = false) {
  ScriptedQuestion question(accept);
  JedecReadResult result = JedecReader(text, fuses, question);
  EXPECT_LE(question.Calls.size(), 1u);
  EXPECT_EQ(question.Calls.empty(), !result.ChecksumMismatch);
  return result;
}

void ExpectSyntaxError(const JedecReadResult& result, int position, ReaderState state, char c,
                       SyntaxErrorKind kind = SyntaxErrorKind::UnexpectedCharacter) {
  EXPECT_EQ(result.Outcome, ReadOutcome::SyntaxError);
  EXPECT_EQ(result.Position, position);
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.ErrorState, state) << ReaderStateName(result.ErrorState);
  EXPECT_EQ(result.ErrorChar, static_cast<std::uint8_t>(c));
  EXPECT_EQ(result.ErrorKind, kind);
  EXPECT_FALSE(result.ChecksumTested);
}

TEST(JedecReader, EmptyTextReturnsZeroAndTouchesNothing) {
  FuseArray fuses = Filled(1);
  fuses[7] = 0;
  ScriptedQuestion question(false);
  const JedecReadResult result = JedecReader("", fuses, question);
  EXPECT_EQ(result.Position, 0);
  EXPECT_EQ(result.Length, 0);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.GivenChecksum, 0);
  EXPECT_FALSE(result.ChecksumTested);
  EXPECT_TRUE(question.Calls.empty());
  EXPECT_EQ(CountSet(fuses), kFuseArraySize - 1);
  // A text that is only a zero byte is just as empty.
  EXPECT_EQ(JedecReader("\0*F0"s, fuses, question).Position, 0);
  EXPECT_EQ(JedecReader(std::string_view(), fuses, question).Position, 0);
  EXPECT_EQ(CountSet(fuses), kFuseArraySize - 1);
}

TEST(JedecReader, TextWithoutAsteriskReturnsItsLengthAndChangesNoFuse) {
  FuseArray fuses{};
  const JedecReadResult result = Read("L0 111 F1 QF5892 C1234 garbage \x80\xff", fuses);
  EXPECT_EQ(result.Position, 33);
  EXPECT_EQ(result.Length, 33);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(CountSet(fuses), 0);
  EXPECT_EQ(result.Qf, 0);
  EXPECT_EQ(result.GivenChecksum, 0);
}

TEST(JedecReader, TextEndsAtItsFirstZeroByte) {
  FuseArray fuses{};
  const JedecReadResult result = Read("*L0 1\0*L1 1*QF8"s, fuses);
  EXPECT_EQ(result.Length, 5);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(fuses[0], 1);
  EXPECT_EQ(fuses[1], 0);
  EXPECT_FALSE(result.ChecksumTested);
}

TEST(JedecReader, FillThenSpacedFuseDigitsSetOnlyThoseFuses) {
  FuseArray fuses = Filled(1);
  const std::string text = "*F0*L0 1 0 1*";
  const JedecReadResult result = Read(text, fuses);
  EXPECT_EQ(result.Position, static_cast<int>(text.size()));
  EXPECT_EQ(fuses[0], 1);
  EXPECT_EQ(fuses[1], 0);
  EXPECT_EQ(fuses[2], 1);
  EXPECT_EQ(CountSet(fuses), 2);
}

TEST(JedecReader, FillCoversAllTenThousandEntriesAndOverwritesEarlierRows) {
  FuseArray fuses{};
  Read("*L0 1*F1*", fuses);
  EXPECT_EQ(CountSet(fuses), kFuseArraySize);
  Read("*L5 1*F0*", fuses);
  EXPECT_EQ(CountSet(fuses), 0);
}

TEST(JedecReader, FieldLettersAreUpperCaseOnly) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*l0 1*f1*g5*c12*qf99*", fuses).Ok());
  EXPECT_EQ(CountSet(fuses), 0);
  const JedecReadResult result = Read("*f2*F2*", fuses);
  ExpectSyntaxError(result, 5, ReaderState::FillValue, '2');
}

TEST(JedecReader, UnfieldedCharactersAfterAsteriskSkipToNextAsterisk) {
  FuseArray fuses{};
  // A note, a digit, a control byte (an ETX left in the text) and a high byte start no field.
  const std::string text = "*N L0 1*V0001 L*\x03L0 1*\xB5L0 1* \t\r\nL4 1*";
  EXPECT_TRUE(Read(text, fuses).Ok());
  EXPECT_EQ(CountSet(fuses), 1);
  EXPECT_EQ(fuses[4], 1);
}

TEST(JedecReader, WhiteSpaceBeforeAddressIsAnError) {
  FuseArray fuses{};
  ExpectSyntaxError(Read("*L 1", fuses), 2, ReaderState::AddressFirst, ' ');
  ExpectSyntaxError(Read("*L12\xA0", fuses), 4, ReaderState::AddressDigits, '\xA0');
}

TEST(JedecReader, StopsAtLetterAfterFuseDigitsKeepingThoseBefore) {
  FuseArray fuses{};
  const JedecReadResult result = Read("*QF8*L2 1 1 0x1*", fuses);
  ExpectSyntaxError(result, 13, ReaderState::FuseDigits, 'x');
  EXPECT_EQ(fuses[2], 1);
  EXPECT_EQ(fuses[3], 1);
  EXPECT_EQ(fuses[4], 0);
  EXPECT_EQ(fuses[5], 0);
  EXPECT_EQ(result.Qf, 8);
}

TEST(JedecReader, StopsAtBadCharacterInsideLongDigitRun) {
  FuseArray fuses{};
  ExpectSyntaxError(Read("*L0 0101010/11111111*", fuses), 11, ReaderState::FuseDigits, '/');
  EXPECT_EQ(CountSet(fuses), 3);
  EXPECT_EQ(fuses[5], 1);
  ExpectSyntaxError(Read("*L0 00000000000000\xB0"
                         "1*",
                         fuses),
                    18, ReaderState::FuseDigits, '\xB0');
  EXPECT_EQ(CountSet(fuses), 0);
  // Every place in a run of sixteen, for bytes that differ from '0' or '1' in one bit.
  for (char bad : {'2', '3', 'p', '\xB1', '\x10'}) {
    for (int at = 0; at < 16; ++at) {
      std::string text = "*L0 " + std::string(16, '1') + "*";
      text[4 + at] = bad;
      ExpectSyntaxError(Read(text, fuses), 4 + at, ReaderState::FuseDigits, bad);
      EXPECT_EQ(CountSet(fuses), at);
      fuses.fill(0);
    }
  }
}

TEST(JedecReader, FuseRowSpansLineEnds) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*L3 1\r\n1*", fuses).Ok());
  EXPECT_EQ(fuses[3], 1);
  EXPECT_EQ(fuses[4], 1);
  EXPECT_EQ(CountSet(fuses), 2);
  // The address alone on its line, the digits on the next ones.
  EXPECT_TRUE(Read("*L0010\r\n0 1\n\v\f1*", fuses).Ok());
  EXPECT_EQ(fuses[10], 0);
  EXPECT_EQ(fuses[11], 1);
  EXPECT_EQ(fuses[12], 1);
}

TEST(JedecReader, AddressWithoutDigitsStoresNothing) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*L44 *L9*L*", fuses).Ok());
  EXPECT_EQ(CountSet(fuses), 0);
}

TEST(JedecReader, NothingIsUndoneOnError) {
  FuseArray fuses{};
  const JedecReadResult result = Read("*F1*C1234*L0 0 0?", fuses);
  ExpectSyntaxError(result, 16, ReaderState::FuseDigits, '?');
  EXPECT_EQ(CountSet(fuses), kFuseArraySize - 2);
  EXPECT_EQ(result.GivenChecksum, 0x1234);
  EXPECT_EQ(result.ChecksumFieldPos, 4);
}

TEST(JedecReader, SecurityFieldTakesOneFuseDigitAndKeepsNothing) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*G1 rest ignored*G 0*", fuses).Ok());
  EXPECT_EQ(CountSet(fuses), 0);
  ExpectSyntaxError(Read("*G  A*", fuses), 4, ReaderState::SecurityValue, 'A');
  ExpectSyntaxError(Read("*G2", fuses), 2, ReaderState::SecurityValue, '2');
}

TEST(JedecReader, ChecksumFieldHexDigitsInEitherCaseKeepLastFour) {
  FuseArray fuses{};
  EXPECT_EQ(Read("*Cab1f*", fuses).GivenChecksum, 0xAB1F);
  EXPECT_EQ(Read("*C AB1F*", fuses).GivenChecksum, 0xAB1F);
  EXPECT_EQ(Read("*C1ABCD*", fuses).GivenChecksum, 0xABCD);
  EXPECT_EQ(Read("*C7*", fuses).GivenChecksum, 0x0007);
  ExpectSyntaxError(Read("*C1G*", fuses), 3, ReaderState::ChecksumDigits, 'G');
  ExpectSyntaxError(Read("*Cg*", fuses), 2, ReaderState::ChecksumFirst, 'g');
}

TEST(JedecReader, LastChecksumFieldCountsAndEmptyOneKeepsValue) {
  FuseArray fuses{};
  JedecReadResult result = Read("*C12*N x*C0034*", fuses);
  EXPECT_EQ(result.GivenChecksum, 0x34);
  EXPECT_EQ(result.ChecksumFieldPos, 9);
  result = Read("*C12*C*", fuses);
  EXPECT_EQ(result.GivenChecksum, 0x12);
  EXPECT_EQ(result.ChecksumFieldPos, 5);
}

TEST(JedecReader, WhiteSpaceAfterChecksumDigitsStartsAnotherField) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*C12 L0 1*", fuses).Ok());
  EXPECT_EQ(fuses[0], 1);
}

TEST(JedecReader, QfNumberMayOnlyBeFollowedByWhiteSpace) {
  FuseArray fuses{};
  ExpectSyntaxError(Read("*QF12 3*", fuses), 6, ReaderState::QTrail, '3');
  ExpectSyntaxError(Read("*QF12x*", fuses), 5, ReaderState::QfDigits, 'x');
  ExpectSyntaxError(Read("*QP2 4*", fuses), 5, ReaderState::QTrail, '4');
  ExpectSyntaxError(Read("*Q P x", fuses), 5, ReaderState::QpFirst, 'x');
}

TEST(JedecReader, QfNumberEndsAtAsteriskOrLineEnd) {
  FuseArray fuses{};
  JedecReadResult result = Read("*QF12*", fuses, true);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.Qf, 12);
  result = Read("*Q F 12\r\n*QP 28 *", fuses, true);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.Qf, 12);
  EXPECT_EQ(result.Qp, 28);
}

TEST(JedecReader, OtherQFieldLeavesCountsAtZeroAndRunsNoTest) {
  FuseArray fuses{};
  fuses[0] = 1;
  const JedecReadResult result = Read("*QV0*C1234*", fuses);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.Qp, 0);
  EXPECT_EQ(result.Qf, 0);
  EXPECT_FALSE(result.ChecksumTested);
}

TEST(JedecReader, LetterAfterOtherQLetterIsReadAsFieldLetter) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*QVL0 1*", fuses).Ok());
  EXPECT_EQ(fuses[0], 1);
  EXPECT_EQ(CountSet(fuses), 1);
}

TEST(JedecReader, TextEndingInsideFieldIsNoError) {
  FuseArray fuses{};
  fuses[0] = 1;
  JedecReadResult result = Read("*C0001*QF8*L", fuses);
  EXPECT_TRUE(result.Ok());
  EXPECT_TRUE(result.ChecksumTested);
  result = Read("*C0001*QF8", fuses);
  EXPECT_TRUE(result.Ok());
  EXPECT_TRUE(result.ChecksumTested);
  EXPECT_EQ(result.Qf, 8);
  EXPECT_EQ(result.ComputedChecksum, 1);
}

TEST(JedecReader, PinCountAloneRunsTestOverZeroFuses) {
  FuseArray fuses = Filled(1);
  ScriptedQuestion question(false);
  JedecReadResult result = JedecReader("*QP24*", fuses, question);
  EXPECT_TRUE(result.Ok());
  EXPECT_TRUE(result.ChecksumTested);
  EXPECT_EQ(result.ComputedChecksum, 0);
  EXPECT_TRUE(question.Calls.empty());

  result = JedecReader("*QP24*C0012*", fuses, question);
  ASSERT_EQ(question.Calls.size(), 1u);
  EXPECT_EQ(question.Calls[0].Given, 0x0012);
  EXPECT_EQ(question.Calls[0].Computed, 0x0000);
  EXPECT_EQ(result.Outcome, ReadOutcome::ChecksumRejected);
  EXPECT_EQ(result.Position, 6);
}

TEST(JedecReader, ChecksumMismatchCancelReturnsFieldPositionOkReturnsLength) {
  const std::string text = "*QF5892*F0*L0 1*C0002*";  // the fuses sum to 0x0001
  for (bool accept : {false, true}) {
    FuseArray fuses{};
    ScriptedQuestion question(accept);
    const JedecReadResult result = JedecReader(text, fuses, question);
    ASSERT_EQ(question.Calls.size(), 1u);
    EXPECT_EQ(question.Calls[0].Given, 0x0002);
    EXPECT_EQ(question.Calls[0].Computed, 0x0001);
    EXPECT_TRUE(result.ChecksumMismatch);
    EXPECT_EQ(result.Position, accept ? static_cast<int>(text.size()) : 16);
    EXPECT_EQ(result.Outcome, accept ? ReadOutcome::Accepted : ReadOutcome::ChecksumRejected);
    // The answer changes only the result: the fuses stay as read.
    EXPECT_EQ(fuses[0], 1);
  }
}

TEST(JedecReader, MissingChecksumFieldShowsZeroAndCancelReturnsZero) {
  FuseArray fuses{};
  ScriptedQuestion question(false);
  const JedecReadResult result = JedecReader("header*QF5892*L0 1*", fuses, question);
  ASSERT_EQ(question.Calls.size(), 1u);
  EXPECT_EQ(question.Calls[0].Given, 0);
  EXPECT_EQ(question.Calls[0].Computed, 1);
  EXPECT_EQ(result.Position, 0);
  EXPECT_EQ(result.Outcome, ReadOutcome::ChecksumRejected);
}

TEST(JedecReader, MatchingChecksumAsksNothing) {
  FuseArray fuses{};
  ScriptedQuestion question(false);
  const JedecReadResult result = JedecReader("*QF12*F1*C010E*", fuses, question);
  EXPECT_TRUE(result.Ok());
  EXPECT_TRUE(result.ChecksumTested);
  EXPECT_FALSE(result.ChecksumMismatch);
  EXPECT_EQ(result.ComputedChecksum, 0x010E);
  EXPECT_TRUE(question.Calls.empty());
}

TEST(JedecReader, SyntaxErrorRunsNoChecksumTest) {
  FuseArray fuses{};
  ScriptedQuestion question(false);
  const JedecReadResult result = JedecReader("*QF5892*L0 1*C0000*L0 2", fuses, question);
  EXPECT_EQ(result.Position, 22);
  EXPECT_FALSE(result.ChecksumTested);
  EXPECT_TRUE(question.Calls.empty());
}

TEST(JedecReaderBounds, FuseDigitAtNineThousandNineHundredNinetyNineIsStored) {
  FuseArray fuses{};
  EXPECT_TRUE(Read("*L9999 1*", fuses).Ok());
  EXPECT_EQ(fuses[9999], 1);
  EXPECT_EQ(CountSet(fuses), 1);
}

TEST(JedecReaderBounds, FuseDigitBoundForTenThousandIsErrorAtThatDigit) {
  FuseArray fuses{};
  ExpectSyntaxError(Read("*L9998 1\r\n1 0*", fuses), 12, ReaderState::FuseDigits, '0',
                    SyntaxErrorKind::FuseBeyondArray);
  EXPECT_EQ(fuses[9998], 1);
  EXPECT_EQ(fuses[9999], 1);
  ExpectSyntaxError(Read("*L10000 \n0", fuses), 9, ReaderState::FuseDigits, '0',
                    SyntaxErrorKind::FuseBeyondArray);
  // An address beyond the array with no fuse digits is no error.
  EXPECT_TRUE(Read("*L10000 *L2147483647\r\n*", fuses).Ok());
}

TEST(JedecReaderBounds, LongRunStopsAtTheFirstDigitBeyondTheArray) {
  FuseArray fuses{};
  // Ten digits fit from fuse 9990; the eleventh (index 17) has no room.
  ExpectSyntaxError(Read("*L9990 1111111111111111*", fuses), 17, ReaderState::FuseDigits, '1',
                    SyntaxErrorKind::FuseBeyondArray);
  EXPECT_EQ(CountSet(fuses), 10);
  EXPECT_EQ(fuses[9990], 1);
  EXPECT_EQ(fuses[9999], 1);
}

TEST(JedecReaderBounds, LargestAddressParsesAndItsDigitIsOutOfRange) {
  FuseArray fuses{};
  ExpectSyntaxError(Read("*L2147483647 1", fuses), 13, ReaderState::FuseDigits, '1',
                    SyntaxErrorKind::FuseBeyondArray);
  EXPECT_EQ(CountSet(fuses), 0);
}

TEST(JedecReaderBounds, AddressOverflowIsErrorAtOverflowingDigit) {
  FuseArray fuses{};
  ExpectSyntaxError(Read("*L2147483648 1", fuses), 11, ReaderState::AddressDigits, '8',
                    SyntaxErrorKind::NumberTooLarge);
  ExpectSyntaxError(Read("*L00000000000099999999999", fuses), 23, ReaderState::AddressDigits, '9',
                    SyntaxErrorKind::NumberTooLarge);
}

TEST(JedecReaderBounds, CountOverflowIsErrorAtOverflowingDigit) {
  FuseArray fuses{};
  JedecReadResult result = Read("*QF2147483647*QP2147483647*", fuses, true);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.Qf, 2147483647);
  EXPECT_EQ(result.Qp, 2147483647);
  ExpectSyntaxError(Read("*QF2147483648", fuses), 12, ReaderState::QfDigits, '8',
                    SyntaxErrorKind::NumberTooLarge);
  ExpectSyntaxError(Read("*QP21474836470", fuses), 13, ReaderState::QpDigits, '0',
                    SyntaxErrorKind::NumberTooLarge);
}

TEST(JedecReaderBounds, FuseCountAboveArrayChecksTheTenThousandHeld) {
  // 10000 fuses at 1 make 1250 bytes of 0xFF: 318750, 0xDD1E modulo 65536.
  FuseArray fuses{};
  ScriptedQuestion question(false);
  JedecReadResult result = JedecReader("*F1*QF10001*CDD1E*", fuses, question);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.ComputedChecksum, 0xDD1E);
  EXPECT_TRUE(question.Calls.empty());
  result = JedecReader("*F1*QF2147483647*CDD1E*", fuses, question);
  EXPECT_TRUE(result.Ok());
  EXPECT_TRUE(question.Calls.empty());
}

TEST(JedecReaderText, DescriptionsAndNamesCoverEveryState) {
  const char* const names[] = {"Preamble",      "SkipField",  "FieldId",       "AddressFirst",
                               "AddressDigits", "FuseDigits", "FillValue",     "SecurityValue",
                               "QKind",         "QpFirst",    "QpDigits",      "QfFirst",
                               "QfDigits",      "QTrail",     "ChecksumFirst", "ChecksumDigits"};
  for (int s = 0; s < kReaderStateCount; ++s) {
    const auto state = static_cast<ReaderState>(s);
    EXPECT_STREQ(ReaderStateName(state), names[s]);
    EXPECT_STRNE(DescribeExpected(state), "");
  }
  EXPECT_STREQ(DescribeSyntaxError(SyntaxErrorKind::None), "");
  EXPECT_STRNE(DescribeSyntaxError(SyntaxErrorKind::FuseBeyondArray),
               DescribeSyntaxError(SyntaxErrorKind::NumberTooLarge));
}

}  // namespace
}  // namespace gantrel
