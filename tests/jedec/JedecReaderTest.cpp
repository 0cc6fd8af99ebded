// The reader: every byte in every state against a table of transitions worked out here; whole
// texts, where they stop and why, and what they read.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "JedecReader.h"

namespace gantrel {
namespace {

using namespace std::string_literals;
using S = ReaderState;

// A text read into fuses that all held `fill`: the result, the fuses at 1 and the lowest of
// them (-1: none).
struct ReadOut {
  explicit ReadOut(std::string_view text, int fill = 0) {
    Fuses.fill(static_cast<std::uint8_t>(fill));
    Result = JedecReader(text, Fuses);
  }
  JedecReadResult Result;
  FuseArray Fuses;
  int Set() const { return static_cast<int>(std::count(Fuses.begin(), Fuses.end(), 1)); }
  int First() const {
    const auto one = std::find(Fuses.begin(), Fuses.end(), 1);
    return one == Fuses.end() ? -1 : static_cast<int>(one - Fuses.begin());
  }
};

// Where byte `c` (neither '*' nor 0) leads from state `s`: a state, or kStops. The byte classes
// are those of the POSIX locale, worked out here apart from the reader's own tables.
constexpr auto kStops = static_cast<S>(0xFF);
S Next(S s, int c) {
  const bool space = c == ' ' || (c >= 0x09 && c <= 0x0D), digit = c >= '0' && c <= '9';
  const bool fuse = c == '0' || c == '1', hex = std::isxdigit(c) && c < 0x80;
  const std::size_t letter = std::string_view("CFGLQ").find(static_cast<char>(c));
  const S fields[] = {S::ChecksumFirst, S::FillValue, S::SecurityValue, S::AddressFirst, S::QKind};
  switch (s) {
    case S::Preamble:
    case S::SkipField:
      return s;
    case S::FieldId:
      return space ? s : letter < 5 ? fields[letter] : S::SkipField;
    case S::AddressFirst:
      return digit ? S::AddressDigits : kStops;
    case S::AddressDigits:
      return digit ? s : space ? S::FuseDigits : kStops;
    case S::FuseDigits:
      return fuse || space ? s : kStops;
    case S::FillValue:
    case S::SecurityValue:
      return fuse ? S::SkipField : space ? s : kStops;
    case S::QKind:
      return space ? s : c == 'P' ? S::QpFirst : c == 'F' ? S::QfFirst : S::FieldId;
    case S::QpFirst:
    case S::QfFirst:
      return digit ? (s == S::QpFirst ? S::QpDigits : S::QfDigits) : space ? s : kStops;
    case S::QpDigits:
    case S::QfDigits:
      return digit ? s : space ? S::QTrail : kStops;
    case S::QTrail:
      return space ? s : kStops;
    case S::ChecksumFirst:
      return hex ? S::ChecksumDigits : space ? s : kStops;
    case S::ChecksumDigits:
      return hex ? s : space ? S::FieldId : kStops;
  }
  return kStops;
}

// Texts that drive a reader with all fuses 0 into each state, in the order of ReaderState.
const char* const kPrefix[] = {"",   "*N",  "*",    "*L",  "*L1",  "*L1 ",  "*F", "*G",
                               "*Q", "*QP", "*QP2", "*QF", "*QF2", "*QF2 ", "*C", "*C1"};

// A syntax error: where, in which state, on which byte and why; the fuses at 1 after it.
struct Stop {
  std::string Text;
  int Fill, Position;
  S State;
  int Char;
  SyntaxErrorKind Kind;
  int Set, First;  // Fill: every fuse before; Set and First: the fuses at 1 and the lowest
};

void ExpectStop(const Stop& want) {
  SCOPED_TRACE(want.Text);
  const ReadOut r(want.Text, want.Fill);
  const JedecReadResult& x = r.Result;
  EXPECT_EQ(x.Outcome, ReadOutcome::SyntaxError);
  EXPECT_EQ(x.Position, want.Position);
  EXPECT_STREQ(ReaderStateName(x.ErrorState), ReaderStateName(want.State));
  EXPECT_EQ(int(x.ErrorChar), want.Char);
  EXPECT_EQ(int(x.ErrorKind), int(want.Kind));
  EXPECT_EQ(r.Set(), want.Set);
  EXPECT_EQ(r.First(), want.First);
}

// Checks that the reader, having read `text`, is in state `to`: a probe follows that only that
// state answers in the way expected. Preamble and SkipField pass all up to '*', so that the L
// field after it stops at '!'; FieldId takes 'G' as a field letter, QKind 'P' as the pin
// count; the others stop at '!' at once.
void ExpectIn(const std::string& text, S to) {
  const int k = to == S::Preamble || to == S::SkipField ? 0
                : to == S::FieldId                      ? 1
                : to == S::QKind                        ? 2
                                                        : 3;
  const std::string probe[] = {"G2*L9 1!", "G2", "P!", "!"};
  const S in[] = {S::FuseDigits, S::SecurityValue, S::QpFirst, to};
  const JedecReadResult probed = ReadOut(text + probe[k]).Result;
  EXPECT_EQ(probed.Position, static_cast<int>(text.size() + probe[k].size()) - 1);
  EXPECT_EQ(probed.ErrorState, in[k])
      << "in " << ReaderStateName(probed.ErrorState) << ", not " << ReaderStateName(to);
}

TEST(JedecReader, EveryByteInEveryStateLeadsWhereTheTableSays) {
  for (int s = 0; s < kReaderStateCount; ++s) {
    const auto state = static_cast<S>(s);
    const std::string prefix = kPrefix[s];
    SCOPED_TRACE(ReaderStateName(state));
    ExpectIn(prefix, state);  // the prefix itself reaches the state
    for (int c = 1; c < 256; ++c) {
      SCOPED_TRACE(::testing::Message() << "byte " << c);
      const std::string text = prefix + static_cast<char>(c);
      const S next = c == '*' ? S::FieldId : Next(state, c);
      if (next == kStops)
        ExpectStop({text + "*L9 1", 0, static_cast<int>(prefix.size()), state, c,
                    SyntaxErrorKind::UnexpectedCharacter, 0, -1});
      else
        ExpectIn(text, next);
    }
  }
}

TEST(JedecReader, StopsAtTheOffendingCharacterKeepingWhatCameBefore) {
  constexpr auto U = SyntaxErrorKind::UnexpectedCharacter;
  constexpr auto B = SyntaxErrorKind::FuseBeyondArray;
  constexpr auto N = SyntaxErrorKind::NumberTooLarge;
  const Stop cases[] = {
      {"*L0 00000000000000\xB0"s + "1*", 1, 18, S::FuseDigits, 0xB0, U, 9986, 14},
      {"*L9998 1\r\n1 0*", 0, 12, S::FuseDigits, '0', B, 2, 9998},
      {"*L2147483648 1", 0, 11, S::AddressDigits, '8', N, 0, -1},
      {"*QP21474836470", 0, 13, S::QpDigits, '0', N, 0, -1},
  };
  for (const Stop& c : cases) ExpectStop(c);
  // Every place in a run of sixteen, for bytes that differ from '0' or '1' in one bit.
  for (char bad : {'2', '3', 'p', '\xB1', '\x10'}) {
    for (int at = 0; at < 16; ++at) {
      const std::string text = "*L0 " + std::string(at, '1') + bad + std::string(15 - at, '1');
      ExpectStop(
          {text, 0, 4 + at, S::FuseDigits, static_cast<unsigned char>(bad), U, at, at ? 0 : -1});
    }
  }
  // The values read before the error stay in the result.
  const JedecReadResult kept = ReadOut("*QF8*C1234*L0 0?").Result;
  EXPECT_EQ(kept.Qf, 8);
  EXPECT_EQ(kept.GivenChecksum, 0x1234);
}

// A text read to its end: accepted or a checksum mismatch; the fuses at 1; the counts and
// which of them (kQF, kQP) were declared; the C field's value and place; the checksum computed
// (-1: not tested).
constexpr int kQF = 1, kQP = 2;
struct Read {
  std::string Text;
  ReadOutcome Outcome;
  int Set, First, Qf, Qp, Declared, Given, FieldPos, Computed;
};

TEST(JedecReader, ReadsWholeTextsToTheirFusesCountsAndChecksumVerdict) {
  constexpr auto A = ReadOutcome::Accepted;
  constexpr auto M = ReadOutcome::ChecksumMismatch;
  constexpr int kAll = kFuseArraySize, kMax = 2147483647;
  const Read cases[] = {
      {"*L0 1\0*L1 1*QF8"s, A, 1, 0, 0, 0, 0, 0, 0, -1},  // the text ends at a zero byte
      // C: the last four digits of the last C field; an empty one keeps the value.
      {"*C1ABCD*Cef*C*", A, 0, -1, 0, 0, 0, 0xEF, 12, -1},
      // A count of 0 is declared but runs no test; a Q field without digits, or one emptied
      // later, declares nothing.
      {"*QF0*QP 0\r\n*C0001*", A, 0, -1, 0, 0, kQF | kQP, 1, 12, -1},
      {"*QF*QP24*QP*", A, 0, -1, 0, 0, 0, 0, 0, -1},
      {"*F1*C00FF*QF8", A, kAll, 0, 8, 0, kQF, 0xFF, 4, 0xFF},
      // The largest counts; a count above the array checks the 10000 held.
      {"*QF2147483647*QP2147483647*", A, 0, -1, kMax, kMax, kQF | kQP, 0, 0, 0},
      {"*F1*QF10001*CDD1E*", A, kAll, 0, 10001, 0, kQF, 0xDD1E, 12, 0xDD1E},
      // A mismatch keeps the fuses as read; its position is the C field's (0 without one).
      {"*QF5892*F0*L0 1*C0002*", M, 1, 0, 5892, 0, kQF, 2, 16, 1},
      {"header*QF5892*L0 1*", M, 1, 0, 5892, 0, kQF, 0, 0, 1},
      {"*F1*QP24*C0012*", M, kAll, 0, 0, 24, kQP, 0x12, 9, 0},
  };
  for (const Read& c : cases) {
    SCOPED_TRACE(c.Text);
    const ReadOut r(c.Text);
    const JedecReadResult& x = r.Result;
    EXPECT_EQ(x.Outcome, c.Outcome);
    EXPECT_EQ(r.Set(), c.Set);
    EXPECT_EQ(r.First(), c.First);
    EXPECT_EQ(x.Qf, c.Qf);
    EXPECT_EQ(x.Qp, c.Qp);
    EXPECT_EQ(x.QfDeclared * kQF + x.QpDeclared * kQP, c.Declared);
    EXPECT_EQ(x.GivenChecksum, c.Given);
    EXPECT_EQ(x.ChecksumFieldPos, c.FieldPos);
    EXPECT_EQ(x.ChecksumTested ? x.ComputedChecksum : -1, c.Computed);
    const int length = static_cast<int>(std::min(c.Text.find('\0'), c.Text.size()));
    EXPECT_EQ(x.Length, length);
    EXPECT_EQ(x.Position, c.Outcome == M ? c.FieldPos : length);
  }
  EXPECT_EQ(ReadOut(std::string_view()).Result.Position, 0);  // a view without any data
}

}  // namespace
}  // namespace gantrel
