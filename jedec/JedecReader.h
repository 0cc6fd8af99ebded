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

// Why a syntax error stopped the reader.
enum class SyntaxErrorKind : std::uint8_t {
  None,                 // no syntax error
  UnexpectedCharacter,  // the character does not fit the state (DescribeExpected says what would)
  FuseBeyondArray,      // a fuse digit bound for fuse 10000 or beyond
  NumberTooLarge,       // an L address, QP or QF number beyond 2147483647
};

// How one call of the reader ended.
enum class ReadOutcome : std::uint8_t {
  Accepted,          // read to its end; the checksum test did not run, or passed
  SyntaxError,       // stopped at the offending character (Position)
  ChecksumMismatch,  // read to its end, and the fuse checksum differs from the C field's value
};

struct JedecReadResult {
  // The position result: the length for an accepted text, the index of the offending character
  // for a syntax error. For a checksum mismatch it is ChecksumFieldPos, the text counted as
  // rejected; a caller whose user accepts the mismatch takes the length instead.
  std::int32_t Position = 0;
  std::int32_t Length = 0;  // characters before the end of the text (its first zero byte)
  ReadOutcome Outcome = ReadOutcome::Accepted;
  std::int32_t Qp = 0;  // the QP and QF values seen (0 when absent)
  std::int32_t Qf = 0;
  bool QpDeclared = false;            // the last QP field held a number (a Q field without digits
  bool QfDeclared = false;            // declares nothing)
  std::uint16_t GivenChecksum = 0;    // 0, or the value of the last C field read
  std::int32_t ChecksumFieldPos = 0;  // position of the letter C of the last C field, or 0
  bool ChecksumTested = false;  // the checksum test ran (QF or QP not 0, text read to its end)
  std::uint16_t ComputedChecksum = 0;  // FuseChecksum over the first QF fuses, when tested
  // What the text sets, for a text read to its end (all false and 0 after a syntax error).
  bool FillSeen = false;            // an F field set every fuse
  bool FuseDigitSeen = false;       // an L field stored at least one fuse digit
  std::int32_t ListedFuses = 0;     // distinct fuses of 0..5891 that L fields stored
  std::int32_t ListedMapFuses = 0;  // the same among 0..5827, the map without the UES
  ReaderState ErrorState = ReaderState::Preamble;     // the state that met the offending character
  std::uint8_t ErrorChar = 0;                         // the offending character
  SyntaxErrorKind ErrorKind = SyntaxErrorKind::None;  // why it offended, for a SyntaxError

  // The caller counts every result other than the text's length as an error in the file.
  bool Ok() const { return Position == Length; }
};

// Reads `text` (which ends at its first zero byte, or at the end of the view) into `fuses`.
// Fuses the text neither fills nor lists keep their values; nothing is undone on an error.
// A fuse digit bound for fuse 10000 or beyond, and an L address or QP/QF number that overflows
// a signed 32-bit number, are errors at that digit. The reader asks nobody: a checksum
// mismatch is its outcome, and the caller decides whether to ask the user.
JedecReadResult JedecReader(std::string_view text, FuseArray& fuses);

// Besides kDeviceFuseCount (5892) and kDevicePinCount (24), the counts that also name the
// ATF22LV10C: its fuses without the UES, its fuses with the security fuse, and the pins of the
// PLCC package.
inline constexpr std::int32_t kQfWithoutUes = 5828;
inline constexpr std::int32_t kQfWithSecurityFuse = 5893;
inline constexpr std::int32_t kQpPlcc = 28;

// True for 5828, 5892 and 5893.
bool IsDeviceFuseCount(std::int32_t qf);
// True for 24 and 28.
bool IsDevicePinCount(std::int32_t qp);
// True when the text declares no count other than the ATF22LV10C's: each of QF and QP either
// undeclared or one of the device's counts. A count declared as 0 names another device.
bool DeclaresThisDevice(const JedecReadResult& read);

// How much of the device's fuse map a text read to its end sets. A text with no F field must
// list every fuse (JESD3): the fuses it leaves out would keep whatever the map held before.
enum class FuseCoverage : std::uint8_t {
  None,      // no F field and no fuse digit in any L field
  Partial,   // no F field, and the L fields leave some of the map's fuses unset
  Complete,  // an F field, or L fields that list every fuse of the map
};
// The fuses a text must set: 5828 (the map without the UES) for a text that declares QF5828,
// else the device's 5892.
std::int32_t MapFuseCount(const JedecReadResult& read);
// How many of those the text sets: all with an F field, else those its L fields list.
std::int32_t FusesSet(const JedecReadResult& read);
FuseCoverage CoverageOf(const JedecReadResult& read);

// What the reader expects in `state`, in English, for diagnostics ("a fuse digit 0 or 1").
const char* DescribeExpected(ReaderState state);

// The state's name as in the transition table ("FuseDigits").
const char* ReaderStateName(ReaderState state);

}  // namespace gantrel
