// Every byte value in every state of the reader. Each row drives the reader into one state with a
// prefix, appends one byte and checks what must follow: an error at that byte, or the next state
// (told apart by a probe appended after the byte) with the effect the byte has on the values.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "JedecReader.h"
#include "ScriptedQuestion.h"

namespace gantrel {
namespace {

// The classes written out by hand: white space of the POSIX locale, digits, hex digits.
bool Space(int c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D);
}
bool Digit(int c) {
  return c >= '0' && c <= '9';
}
bool Hex(int c) {
  return Digit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
bool FuseDigit(int c) {
  return c == '0' || c == '1';
}
int HexValue(int c) {
  return Digit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
}

enum class Effect {
  None,
  Address,   // the address is Value: a fuse digit after white space lands on fuse Value
  Store,     // fuse 1 holds Value, and the next fuse digit goes to fuse 2
  Fill,      // every entry holds Value
  Qp,        // the QP value is Value
  Qf,        // the QF value is Value
  Given,     // GivenChecksum is Value
  FieldPos,  // ChecksumFieldPos is Value
};

struct Expectation {
  bool Error = false;
  ReaderState Next = ReaderState::Preamble;
  Effect What = Effect::None;
  int Value = 0;
};

Expectation Error() {
  return {true, ReaderState::Preamble, Effect::None, 0};
}
Expectation Next(ReaderState s, Effect what = Effect::None, int value = 0) {
  return {false, s, what, value};
}

struct StateRow {
  ReaderState State;
  std::string Prefix;                      // drives a reader with all fuses 0 into State
  std::function<Expectation(int)> Expect;  // for every byte but '*' and 0
};

void PrintTo(const StateRow& row, std::ostream* os) {
  *os << ReaderStateName(row.State);
}

using S = ReaderState;

std::vector<StateRow> Rows() {
  return {
      {S::Preamble, "", [](int) { return Next(S::Preamble); }},
      {S::SkipField, "*N", [](int) { return Next(S::SkipField); }},
      {S::FieldId, "*",
       [](int c) {
         if (Space(c)) return Next(S::FieldId);
         switch (c) {
           case 'C':
             return Next(S::ChecksumFirst, Effect::FieldPos, 1);
           case 'F':
             return Next(S::FillValue);
           case 'G':
             return Next(S::SecurityValue);
           case 'L':
             return Next(S::AddressFirst);
           case 'Q':
             return Next(S::QKind);
           default:
             return Next(S::SkipField);
         }
       }},
      {S::AddressFirst, "*L",
       [](int c) { return Digit(c) ? Next(S::AddressDigits, Effect::Address, c - '0') : Error(); }},
      {S::AddressDigits, "*L1",
       [](int c) {
         if (Digit(c)) return Next(S::AddressDigits, Effect::Address, 10 + c - '0');
         if (Space(c)) return Next(S::FuseDigits, Effect::Address, 1);
         return Error();
       }},
      {S::FuseDigits, "*L1 ",
       [](int c) {
         if (Space(c)) return Next(S::FuseDigits, Effect::Address, 1);
         if (FuseDigit(c)) return Next(S::FuseDigits, Effect::Store, c - '0');
         return Error();
       }},
      {S::FillValue, "*F",
       [](int c) {
         if (Space(c)) return Next(S::FillValue);
         if (FuseDigit(c)) return Next(S::SkipField, Effect::Fill, c - '0');
         return Error();
       }},
      {S::SecurityValue, "*G",
       [](int c) {
         if (Space(c)) return Next(S::SecurityValue);
         if (FuseDigit(c)) return Next(S::SkipField);
         return Error();
       }},
      {S::QKind, "*Q",
       [](int c) {
         if (Space(c)) return Next(S::QKind);
         if (c == 'P') return Next(S::QpFirst);
         if (c == 'F') return Next(S::QfFirst);
         return Next(S::FieldId);
       }},
      {S::QpFirst, "*QP",
       [](int c) {
         if (Space(c)) return Next(S::QpFirst);
         return Digit(c) ? Next(S::QpDigits, Effect::Qp, c - '0') : Error();
       }},
      {S::QpDigits, "*QP2",
       [](int c) {
         if (Digit(c)) return Next(S::QpDigits, Effect::Qp, 20 + c - '0');
         if (Space(c)) return Next(S::QTrail, Effect::Qp, 2);
         return Error();
       }},
      {S::QfFirst, "*QF",
       [](int c) {
         if (Space(c)) return Next(S::QfFirst);
         return Digit(c) ? Next(S::QfDigits, Effect::Qf, c - '0') : Error();
       }},
      {S::QfDigits, "*QF2",
       [](int c) {
         if (Digit(c)) return Next(S::QfDigits, Effect::Qf, 20 + c - '0');
         if (Space(c)) return Next(S::QTrail, Effect::Qf, 2);
         return Error();
       }},
      {S::QTrail, "*QF2 ", [](int c) { return Space(c) ? Next(S::QTrail) : Error(); }},
      {S::ChecksumFirst, "*C",
       [](int c) {
         if (Space(c)) return Next(S::ChecksumFirst);
         return Hex(c) ? Next(S::ChecksumDigits, Effect::Given, HexValue(c)) : Error();
       }},
      {S::ChecksumDigits, "*C1",
       [](int c) {
         if (Hex(c)) return Next(S::ChecksumDigits, Effect::Given, 0x10 + HexValue(c));
         if (Space(c)) return Next(S::FieldId, Effect::Given, 1);
         return Error();
       }},
  };
}

JedecReadResult ReadFresh(const std::string& text, FuseArray& fuses) {
  fuses.fill(0);
  ScriptedQuestion accept(true);
  return JedecReader(text, fuses, accept);
}

// Checks that the reader, having read `text`, is in `state`: a probe follows that only that state
// answers in the way expected.
void ExpectState(const std::string& text, ReaderState state) {
  const int base = static_cast<int>(text.size());
  FuseArray fuses;
  JedecReadResult result;
  switch (state) {
    case S::Preamble:
    case S::SkipField:
      // Everything up to '*' is ignored; the field after it is read.
      result = ReadFresh(text + "G2*L9 1", fuses);
      EXPECT_TRUE(result.Ok()) << "stopped at " << result.Position;
      EXPECT_EQ(fuses[9], 1);
      return;
    case S::FieldId:
      // 'G' is taken as a field letter.
      result = ReadFresh(text + "G2", fuses);
      EXPECT_EQ(result.Position, base + 1);
      EXPECT_EQ(result.ErrorState, S::SecurityValue);
      return;
    case S::QKind:
      result = ReadFresh(text + "P!", fuses);
      EXPECT_EQ(result.Position, base + 1);
      EXPECT_EQ(result.ErrorState, S::QpFirst);
      return;
    default:
      // Every other state stops at '!'.
      result = ReadFresh(text + "!", fuses);
      EXPECT_EQ(result.Position, base);
      EXPECT_EQ(result.Outcome, ReadOutcome::SyntaxError);
      EXPECT_EQ(result.ErrorState, state)
          << "in " << ReaderStateName(result.ErrorState) << ", not " << ReaderStateName(state);
      return;
  }
}

void ExpectEffect(const std::string& text, const Expectation& e) {
  FuseArray fuses;
  JedecReadResult result;
  switch (e.What) {
    case Effect::None:
      return;
    case Effect::Address:
      result = ReadFresh(text + " 1", fuses);
      EXPECT_EQ(fuses[e.Value], 1);
      break;
    case Effect::Store:
      result = ReadFresh(text + "1", fuses);
      EXPECT_EQ(fuses[1], e.Value);
      EXPECT_EQ(fuses[2], 1);
      break;
    case Effect::Fill:
      result = ReadFresh(text, fuses);
      EXPECT_EQ(fuses[0], e.Value);
      EXPECT_EQ(fuses[5891], e.Value);
      EXPECT_EQ(fuses[9999], e.Value);
      break;
    case Effect::Qp:
      result = ReadFresh(text, fuses);
      EXPECT_EQ(result.Qp, e.Value);
      break;
    case Effect::Qf:
      result = ReadFresh(text, fuses);
      EXPECT_EQ(result.Qf, e.Value);
      break;
    case Effect::Given:
      result = ReadFresh(text, fuses);
      EXPECT_EQ(result.GivenChecksum, e.Value);
      break;
    case Effect::FieldPos:
      result = ReadFresh(text, fuses);
      EXPECT_EQ(result.ChecksumFieldPos, e.Value);
      break;
  }
  EXPECT_TRUE(result.Ok()) << "stopped at " << result.Position;
}

class JedecReaderSweep : public testing::TestWithParam<StateRow> {};

TEST_P(JedecReaderSweep, EveryByteLeadsWhereTheTableSays) {
  const StateRow& row = GetParam();
  ExpectState(row.Prefix, row.State);  // the prefix itself reaches the state
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE(testing::Message() << "byte 0x" << std::hex << c);
    const std::string text = row.Prefix + static_cast<char>(c);
    FuseArray fuses;
    if (c == 0) {
      // The zero byte ends the text: what came before is read to its end, the rest is not.
      const JedecReadResult result = ReadFresh(text + "*L9 1", fuses);
      EXPECT_EQ(result.Length, static_cast<int>(row.Prefix.size()));
      EXPECT_EQ(fuses[9], 0);
      continue;
    }
    if (c == '*') {
      ExpectState(text, S::FieldId);
      continue;
    }
    const Expectation e = row.Expect(c);
    if (e.Error) {
      const JedecReadResult result = ReadFresh(text + "*L9 1", fuses);
      EXPECT_EQ(result.Outcome, ReadOutcome::SyntaxError);
      EXPECT_EQ(result.Position, static_cast<int>(row.Prefix.size()));
      EXPECT_EQ(result.ErrorState, row.State);
      EXPECT_EQ(result.ErrorChar, c);
      EXPECT_EQ(result.ErrorKind, SyntaxErrorKind::UnexpectedCharacter);
      EXPECT_EQ(fuses[9], 0);
      continue;
    }
    ExpectState(text, e.Next);
    ExpectEffect(text, e);
  }
}

INSTANTIATE_TEST_SUITE_P(AllStates, JedecReaderSweep, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<StateRow>& info) {
                           return std::string(ReaderStateName(info.param.State));
                         });

TEST(JedecReaderSweepTable, CoversEveryState) {
  const std::vector<StateRow> rows = Rows();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kReaderStateCount));
  for (int s = 0; s < kReaderStateCount; ++s) EXPECT_EQ(rows[s].State, static_cast<S>(s));
}

}  // namespace
}  // namespace gantrel
