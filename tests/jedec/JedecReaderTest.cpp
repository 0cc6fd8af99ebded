// The reader: every byte value in every state; tables of whole texts (where it stops and why,
// what it reads, the bounds) and the checksum mismatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "JedecReader.h"
#include "ReadText.h"

namespace gantrel {
namespace {

using namespace std::string_literals;
using S = ReaderState;
using Ints = std::vector<int>;

// What a byte does besides leading to a state: Address, a fuse digit after white space lands on
// fuse Value; Store, fuse 1 holds Value and the next digit lands on fuse 2; Fill, every entry
// holds Value; Qp, Qf, Given and FieldPos, that value of the result is Value.
enum class E { None, Address, Store, Fill, Qp, Qf, Given, FieldPos };
struct Step {
  bool Stop;
  S Next;
  E What;
  int Value;
};
constexpr Step kStop{true, S::Preamble, E::None, 0};
constexpr Step Go(S next, E what = E::None, int value = 0) {
  return {false, next, what, value};
}

// The independent table: what byte `c` (neither '*' nor 0) does in state `s`. The byte classes
// are those of the POSIX locale, worked out here apart from the reader's own tables.
constexpr std::string_view kLetters = "CFGLQ";  // the field letters, and the states they lead to
constexpr S kLetterState[] = {S::ChecksumFirst, S::FillValue, S::SecurityValue, S::AddressFirst,
                              S::QKind};
Step Expect(S s, int c) {
  const bool space = c == ' ' || (c >= 0x09 && c <= 0x0D), digit = c >= '0' && c <= '9';
  const bool fuse = c == '0' || c == '1', hex = std::isxdigit(c) && c < 0x80;
  const int nibble = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
  const std::size_t letter = kLetters.find(static_cast<char>(c));
  const S field = letter < kLetters.size() ? kLetterState[letter] : S::SkipField;
  switch (s) {
    case S::Preamble:
    case S::SkipField:
      return Go(s);
    case S::FieldId:
      return Go(space ? s : field, E::FieldPos, c == 'C');
    case S::AddressFirst:
      return digit ? Go(S::AddressDigits, E::Address, c - '0') : kStop;
    case S::AddressDigits:
      return digit   ? Go(s, E::Address, 10 + c - '0')
             : space ? Go(S::FuseDigits, E::Address, 1)
                     : kStop;
    case S::FuseDigits:
      return fuse ? Go(s, E::Store, c - '0') : space ? Go(s, E::Address, 1) : kStop;
    case S::FillValue:
      return fuse ? Go(S::SkipField, E::Fill, c - '0') : space ? Go(s, E::Fill, 0) : kStop;
    case S::SecurityValue:
      return fuse ? Go(S::SkipField, E::Fill, 0) : space ? Go(s) : kStop;
    case S::QKind:
      return Go(space ? s : c == 'P' ? S::QpFirst : c == 'F' ? S::QfFirst : S::FieldId);
    case S::QpFirst:
      return digit ? Go(S::QpDigits, E::Qp, c - '0') : space ? Go(s) : kStop;
    case S::QpDigits:
      return digit ? Go(s, E::Qp, 20 + c - '0') : space ? Go(S::QTrail, E::Qp, 2) : kStop;
    case S::QfFirst:
      return digit ? Go(S::QfDigits, E::Qf, c - '0') : space ? Go(s) : kStop;
    case S::QfDigits:
      return digit ? Go(s, E::Qf, 20 + c - '0') : space ? Go(S::QTrail, E::Qf, 2) : kStop;
    case S::QTrail:
      return space ? Go(s, E::Qf, 2) : kStop;
    case S::ChecksumFirst:
      return hex ? Go(S::ChecksumDigits, E::Given, nibble) : space ? Go(s, E::FieldPos, 1) : kStop;
    case S::ChecksumDigits:
      return hex ? Go(s, E::Given, 0x10 + nibble) : space ? Go(S::FieldId, E::Given, 1) : kStop;
  }
  return kStop;
}

constexpr auto U = SyntaxErrorKind::UnexpectedCharacter;
constexpr auto B = SyntaxErrorKind::FuseBeyondArray;
constexpr auto N = SyntaxErrorKind::NumberTooLarge;

struct Stop {
  std::string Text;
  int Fill, Position, Char, Set;  // Fill: every fuse before; Set: fuses at 1 after
  S State;
  SyntaxErrorKind Kind;
  std::vector<int> Ones;  // some of those at 1
};

void ExpectStop(const Stop& c) {
  const ReadOut r = ReadText(c.Text, c.Fill);
  const JedecReadResult& x = r.Result;
  // A syntax error where, in which state, on which byte and why; no checksum test; nothing
  // undone.
  EXPECT_EQ(Ints({int(x.Outcome), x.Position, int(x.ErrorState), x.ErrorChar, int(x.ErrorKind),
                  x.ChecksumTested, r.Set()}),
            Ints({int(ReadOutcome::SyntaxError), c.Position, int(c.State), c.Char, int(c.Kind), 0,
                  c.Set}))
      << c.Text << " stopped in " << ReaderStateName(x.ErrorState);
  for (int fuse : c.Ones) EXPECT_EQ(r.Fuses[fuse], 1) << c.Text << ": " << fuse;
}

// Texts that drive a reader with all fuses 0 into each state.
const char* const kPrefix[] = {"",   "*N",  "*",    "*L",  "*L1",  "*L1 ",  "*F", "*G",
                               "*Q", "*QP", "*QP2", "*QF", "*QF2", "*QF2 ", "*C", "*C1"};
// Checks that the reader, having read `text`, is where `step` leads: a probe follows that only
// the next state answers in the way expected (Preamble and SkipField ignore all up to '*', so
// that the L field after it stops at '!'; FieldId takes 'G' as a field letter, QKind 'P' as the
// pin count; the others stop at '!' at once), and the text read alone, or with a fuse digit
// after white space, shows the step's effect.
void ExpectStep(const std::string& text, const Step& step) {
  const auto& [stop, to, what, v] = step;
  const bool skip = to == S::Preamble || to == S::SkipField;
  const int k = skip ? 0 : to == S::FieldId ? 1 : to == S::QKind ? 2 : 3;
  const std::string probe = std::vector<std::string>{"G2*L9 1!", "G2", "P!", "!"}[k];
  const S in = std::vector<S>{S::FuseDigits, S::SecurityValue, S::QpFirst, to}[k];
  const JedecReadResult probed = ReadText(text + probe).Result;
  EXPECT_EQ(probed.Position, static_cast<int>(text.size() + probe.size()) - 1);
  EXPECT_EQ(probed.ErrorState, in)
      << "in " << ReaderStateName(probed.ErrorState) << ", not " << ReaderStateName(to);
  const ReadOut r = ReadText(text + (what == E::Address || what == E::Store ? " 1" : ""));
  const JedecReadResult& x = r.Result;
  EXPECT_TRUE(x.Ok()) << "stopped at " << x.Position;
  EXPECT_TRUE(what != E::Address || (r.Fuses[v] == 1 && r.Set() == 1)) << v << ", " << r.Set();
  EXPECT_TRUE(what != E::Store || (r.Fuses[1] == v && r.Fuses[2] == 1 && r.Set() == 1 + v)) << v;
  EXPECT_TRUE(what != E::Fill || r.Set() == v * kFuseArraySize) << v << ", " << r.Set();
  EXPECT_TRUE(what != E::Qp || x.Qp == v) << v << ", QP " << x.Qp;
  EXPECT_TRUE(what != E::Qf || x.Qf == v) << v << ", QF " << x.Qf;
  EXPECT_TRUE(what != E::Given || x.GivenChecksum == v) << v << ", C " << x.GivenChecksum;
  EXPECT_TRUE(what != E::FieldPos || x.ChecksumFieldPos == v) << v << ", " << x.ChecksumFieldPos;
}

class JedecReaderSweep : public ::testing::TestWithParam<int> {};

TEST_P(JedecReaderSweep, EveryByteLeadsWhereTheTableSays) {
  const auto state = static_cast<S>(GetParam());
  const std::string prefix = kPrefix[GetParam()];
  const int before = static_cast<int>(prefix.size());
  EXPECT_STRNE(DescribeExpected(state), "");
  ExpectStep(prefix, Go(state));  // the prefix itself reaches the state
  for (int c = 1; c < 256; ++c) {
    SCOPED_TRACE(::testing::Message() << "byte 0x" << std::hex << c);
    const std::string text = prefix + static_cast<char>(c);
    const Step step = c == '*' ? Go(S::FieldId) : Expect(state, c);
    if (step.Stop) ExpectStop({text + "*L9 1", 0, before, c, 0, state, U, {}});
    if (!step.Stop) ExpectStep(text, step);
  }
  // The zero byte ends the text: what came before is read to its end, the rest is not.
  const ReadOut r = ReadText(prefix + '\0' + "*L9 1");
  EXPECT_TRUE(r.Result.Ok() && r.Result.Length == before && r.Set() == 0);
}

INSTANTIATE_TEST_SUITE_P(AllStates, JedecReaderSweep, ::testing::Range(0, kReaderStateCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return ReaderStateName(static_cast<S>(info.param));
                         });

TEST(JedecReader, StopsAtTheOffendingCharacterKeepingWhatCameBefore) {
  const Stop cases[] = {
      {"*QF8*L2 1 1 0x1*", 0, 13, 'x', 2, S::FuseDigits, U, {2, 3}},
      {"*L0 0101010/11111111*", 0, 11, '/', 3, S::FuseDigits, U, {1, 3, 5}},
      {"*L0 00000000000000\xB0"s + "1*", 1, 18, 0xB0, 9986, S::FuseDigits, U, {14}},
      {"*F1*C1234*L0 0 0?", 0, 16, '?', 9998, S::FuseDigits, U, {2}},
      {"*QF5892*L0 1*C0000*L0 2", 0, 22, '2', 1, S::FuseDigits, U, {0}},
      // The bounds: a digit bound for fuse 10000, a number beyond 2147483647.
      {"*L9998 1\r\n1 0*", 0, 12, '0', 2, S::FuseDigits, B, {9998, 9999}},
      {"*L10000 \n0", 0, 9, '0', 0, S::FuseDigits, B, {}},
      {"*L9990 1111111111111111*", 0, 17, '1', 10, S::FuseDigits, B, {9990, 9999}},
      {"*L2147483647 1", 0, 13, '1', 0, S::FuseDigits, B, {}},
      {"*L2147483648 1", 0, 11, '8', 0, S::AddressDigits, N, {}},
      {"*L00000000000099999999999", 0, 23, '9', 0, S::AddressDigits, N, {}},
      {"*QF2147483648", 0, 12, '8', 0, S::QfDigits, N, {}},
      {"*QP21474836470", 0, 13, '0', 0, S::QpDigits, N, {}},
  };
  for (const Stop& c : cases) ExpectStop(c);
  // Every place in a run of sixteen, for bytes that differ from '0' or '1' in one bit.
  for (char bad : {'2', '3', 'p', '\xB1', '\x10'}) {
    for (int at = 0; at < 16; ++at) {
      const std::string text =
          "*L0 " + std::string(at, '1') + bad + std::string(15 - at, '1') + "*";
      ExpectStop({text, 0, 4 + at, static_cast<unsigned char>(bad), at, S::FuseDigits, U, {}});
    }
  }
  // The values read before the error stay in the result.
  EXPECT_EQ(ReadText("*QF8*L2 1 1 0x1*").Result.Qf, 8);
  const JedecReadResult r = ReadText("*F1*C1234*L0 0 0?").Result;
  EXPECT_EQ(Ints({r.GivenChecksum, r.ChecksumFieldPos}), Ints({0x1234, 4}));
}

// Which counts a text declares: a QF or QP field with a number.
constexpr int kQF = 1, kQP = 2;

struct Good {
  std::string Text;
  int Fill, Set, Qf, Qp, Declared, Given, FieldPos, Tested;
  std::vector<int> Ones;
};

TEST(JedecReader, ReadsToTheEndOfTheText) {
  constexpr int kAll = kFuseArraySize, kMax = 2147483647;
  const Good cases[] = {
      {"", 1, kAll, 0, 0, 0, 0, 0, 0, {}},
      {"\0*F0"s, 1, kAll, 0, 0, 0, 0, 0, 0, {}},  // the text ends at its first zero byte
      {"*L0 1\0*L1 1*QF8"s, 0, 1, 0, 0, 0, 0, 0, 0, {0}},
      {"L0 111 F1 QF5892 C1234 garbage \x80\xff", 0, 0, 0, 0, 0, 0, 0, 0, {}},
      {"*F0*L0 1 0 1*", 1, 2, 0, 0, 0, 0, 0, 0, {0, 2}},
      {"*L0 1*F1*", 0, kAll, 0, 0, 0, 0, 0, 0, {}},
      {"*L5 1*F0*", 1, 0, 0, 0, 0, 0, 0, 0, {}},
      {"*L0010\r\n0 1\n\v\f1*", 0, 2, 0, 0, 0, 0, 0, 0, {11, 12}},
      {"*L44 *L9*L*", 0, 0, 0, 0, 0, 0, 0, 0, {}},
      // C: the last four digits and the last field count, an empty one keeps the value.
      {"*C1ABCD*", 0, 0, 0, 0, 0, 0xABCD, 1, 0, {}},
      {"*C12*N x*C0034*", 0, 0, 0, 0, 0, 0x34, 9, 0, {}},
      {"*C12*C*", 0, 0, 0, 0, 0, 0x12, 5, 0, {}},
      // Another Q letter counts nothing; a text may end in a field. A count of 0 is declared
      // (and runs no test); a Q field without digits, or one emptied later, declares nothing.
      {"*Q F 12\r\n*QP 28 *", 0, 0, 12, 28, kQF | kQP, 0, 0, 1, {}},
      {"*QV0*C1234*", 0, 0, 0, 0, 0, 0x1234, 5, 0, {}},
      {"*QF0*QP 0\r\n*C0001*", 0, 0, 0, 0, kQF | kQP, 1, 12, 0, {}},
      {"*QF*QP24*QP*", 0, 0, 0, 0, 0, 0, 0, 0, {}},
      {"*QF12*F1*C010E*", 0, kAll, 12, 0, kQF, 0x010E, 9, 1, {}},
      {"*F1*C00FF*QF8", 0, kAll, 8, 0, kQF, 0xFF, 4, 1, {}},
      // The bounds: fuse 9999, an address beyond the array without digits, the largest counts;
      // a count above the array checks the 10000 held (1250 bytes of 0xFF: 0xDD1E).
      {"*L9999 1*", 0, 1, 0, 0, 0, 0, 0, 0, {9999}},
      {"*L10000 *L2147483647\r\n*", 0, 0, 0, 0, 0, 0, 0, 0, {}},
      {"*QF2147483647*QP2147483647*", 0, 0, kMax, kMax, kQF | kQP, 0, 0, 1, {}},
      {"*F1*QF10001*CDD1E*", 0, kAll, 10001, 0, kQF, 0xDD1E, 12, 1, {}},
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.Text);
    const ReadOut r = ReadText(c.Text, c.Fill);
    const JedecReadResult& x = r.Result;
    const int length = static_cast<int>(std::min(c.Text.find('\0'), c.Text.size()));
    // Read to its end and accepted: position and length, fuses at 1, QF, QP, which of them
    // declared, the C field's value and place, whether and how tested.
    EXPECT_EQ(Ints({int(x.Outcome), x.Position, x.Length, r.Set(), x.Qf, x.Qp,
                    x.QfDeclared * kQF + x.QpDeclared * kQP, x.GivenChecksum, x.ChecksumFieldPos,
                    x.ChecksumTested, x.ComputedChecksum}),
              Ints({0, length, length, c.Set, c.Qf, c.Qp, c.Declared, c.Given, c.FieldPos, c.Tested,
                    c.Tested * c.Given}));
    for (int fuse : c.Ones) EXPECT_EQ(r.Fuses[fuse], 1) << fuse;
  }
  EXPECT_EQ(ReadText(std::string_view()).Result.Position, 0);  // a view without any data
}

// A mismatch is the reader's outcome: it asks nobody, and its position result is that of the
// text rejected, the C field's (0 without one); the fuses stay as read.
TEST(JedecReader, MismatchGivesTheFieldPositionAndKeepsTheFuses) {
  const struct {
    std::string Text;
    int Given, Computed, Position, Set;
  } cases[] = {
      {"*QF5892*F0*L0 1*C0002*", 2, 1, 16, 1},
      {"header*QF5892*L0 1*", 0, 1, 0, 1},  // no C field: 0 given, 0 returned
      {"*F1*QP24*C0012*", 0x12, 0, 9, kFuseArraySize},
  };
  for (const auto& c : cases) {
    const ReadOut r = ReadText(c.Text);
    const JedecReadResult& x = r.Result;
    EXPECT_EQ(Ints({int(x.Outcome), x.GivenChecksum, x.ComputedChecksum, x.Position, r.Set()}),
              Ints({int(ReadOutcome::ChecksumMismatch), c.Given, c.Computed, c.Position, c.Set}))
        << c.Text;
  }
}

}  // namespace
}  // namespace gantrel
