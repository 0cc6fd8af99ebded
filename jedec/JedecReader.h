// The JEDEC reader: a character state machine that turns a JESD3 fuse-map text into the
// fuse map of the ATF22LV10C. Standard C++ only; it never prints and never throws.
#pragma once

#include <cstdint>
#include <string_view>

#include "FuseMap.h"

namespace gantrel {

// The sixteen states of the reader, in the order of its transition table.
enum class ReaderState : std::uint8_t {
  Preamble,
  SkipField,
  FieldId,
  AddressFirst,
  AddressDigits,
  FuseDigits,
  FillValue,
  SecurityValue,
  QKind,
  QpFirst,
  QpDigits,
  QfFirst,
  QfDigits,
  QTrail,
  ChecksumFirst,
  ChecksumDigits,
};
inline constexpr int kReaderStateCount = 16;

// The one question the reader asks: whether to accept a text whose fuse checksum differs from
// the value its C field states. The window asks the user (OK/Cancel); the CLI answers alone.
class ChecksumQuestion {
 public:
  virtual ~ChecksumQuestion() = default;
  // Returns true to accept the text as correct (OK), false to reject it (Cancel).
  virtual bool AcceptChecksumMismatch(std::uint16_t given, std::uint16_t computed) = 0;
};

// Why a syntax error stopped the reader.
enum class SyntaxErrorKind : std::uint8_t {
  None,                 // no syntax error
  UnexpectedCharacter,  // the character does not fit the state (DescribeExpected says what would)
  FuseBeyondArray,      // a fuse digit bound for fuse 10000 or beyond
  NumberTooLarge,       // an L address, QP or QF number beyond 2147483647
};

// How one call of the reader ended.
enum class ReadOutcome : std::uint8_t {
  Accepted,          // read to its end; the checksum test did not run, passed, or was accepted
  SyntaxError,       // stopped at the offending character (Position)
  ChecksumRejected,  // the mismatch question was answered with Cancel (Position = ChecksumFieldPos)
};

struct JedecReadResult {
  std::int32_t Position = 0;  // the reader's position result
  std::int32_t Length = 0;    // characters before the end of the text (its first zero byte)
  ReadOutcome Outcome = ReadOutcome::Accepted;
  std::int32_t Qp = 0;  // the QP and QF values seen (0 when absent)
  std::int32_t Qf = 0;
  std::uint16_t GivenChecksum = 0;    // 0, or the value of the last C field read
  std::int32_t ChecksumFieldPos = 0;  // position of the letter C of the last C field, or 0
  bool ChecksumTested = false;  // the checksum test ran (QF or QP not 0, text read to its end)
  std::uint16_t ComputedChecksum = 0;  // FuseChecksum over the first QF fuses, when tested
  bool ChecksumMismatch =
      false;  // tested and different from GivenChecksum (the question was asked)
  ReaderState ErrorState = ReaderState::Preamble;     // the state that met the offending character
  std::uint8_t ErrorChar = 0;                         // the offending character
  SyntaxErrorKind ErrorKind = SyntaxErrorKind::None;  // why it offended, for a SyntaxError

  // The caller counts every result other than the text's length as an error in the file.
  bool Ok() const { return Position == Length; }
};

// Reads `text` (which ends at its first zero byte, or at the end of the view) into `fuses`.
// Fuses the text neither fills nor lists keep their values; nothing is undone on an error.
// A fuse digit bound for fuse 10000 or beyond, and an L address or QP/QF number that overflows
// a signed 32-bit number, are errors at that digit. `question` is asked at most once.
JedecReadResult JedecReader(std::string_view text, FuseArray& fuses, ChecksumQuestion& question);

// What the reader expects in `state`, in English, for diagnostics ("a fuse digit 0 or 1").
const char* DescribeExpected(ReaderState state);

// The state's name as in the transition table ("FuseDigits").
const char* ReaderStateName(ReaderState state);

// What went wrong, in English ("a fuse number beyond 9999"); "" for None.
const char* DescribeSyntaxError(SyntaxErrorKind kind);

}  // namespace gantrel
