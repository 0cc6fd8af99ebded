#include "JedecReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "HexDigits.h"

namespace gantrel {
namespace {

// Character classes of the POSIX locale; bytes 0x80..0xFF belong to none of them.
enum : std::uint8_t {
  kSpace = 1,
  kDigit = 2,
  kFuse = 4,
};

constexpr std::array<std::uint8_t, 256> MakeClasses() {
  std::array<std::uint8_t, 256> classes{};
  for (int c : {' ', '\t', '\n', '\v', '\f', '\r'}) classes[c] |= kSpace;
  for (int c = '0'; c <= '9'; ++c) classes[c] |= kDigit;
  classes['0'] |= kFuse;
  classes['1'] |= kFuse;
  return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = MakeClasses();

inline bool IsSpace(unsigned char c) {
  return (kClasses[c] & kSpace) != 0;
}
inline bool IsDigit(unsigned char c) {
  return (kClasses[c] & kDigit) != 0;
}
inline bool IsFuse(unsigned char c) {
  return (kClasses[c] & kFuse) != 0;
}

// Appends one decimal digit; false when the number would no longer fit a signed 32-bit value.
inline bool AppendDigit(std::int32_t& value, unsigned char c) {
  const std::int32_t digit = c - '0';
  if (value > (std::numeric_limits<std::int32_t>::max() - digit) / 10) return false;
  value = value * 10 + digit;
  return true;
}

// Which of the device's fuses 0..5891 the L fields stored, one bit each, marked a run at a time
// so that the hot loop of fuse digits stays as it is.
class ListedFuses {
 public:
  // Marks fuses [from, to), clipped to the device's.
  void Mark(std::int32_t from, std::int32_t to) {
    to = std::min(to, kDeviceFuseCount);
    while (from < to) {
      const int bit = from % 64;
      const int width = std::min(64 - bit, to - from);
      const std::uint64_t ones = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
      words_[static_cast<std::size_t>(from / 64)] |= ones << bit;
      from += width;
    }
  }
  // How many of fuses 0..n-1 are marked.
  std::int32_t Count(std::int32_t n) const {
    std::int32_t count = 0;
    for (std::int32_t w = 0; w * 64 < n; ++w) {
      std::uint64_t word = words_[static_cast<std::size_t>(w)];
      if (n - w * 64 < 64) word &= (std::uint64_t{1} << (n - w * 64)) - 1;
      count += std::popcount(word);
    }
    return count;
  }

 private:
  std::array<std::uint64_t, (kDeviceFuseCount + 63) / 64> words_{};
};

}  // namespace

JedecReadResult JedecReader(std::string_view text, FuseArray& fuses) {
  JedecReadResult result;
  // An empty view may carry no pointer at all, which memchr must not be given.
  if (text.empty()) return result;
  // The text ends at its first zero byte; the position is a signed 32-bit count, so a view
  // longer than that is read only that far.
  std::size_t size = text.size();
  if (const void* zero = std::memchr(text.data(), 0, size)) {
    size = static_cast<std::size_t>(static_cast<const char*>(zero) - text.data());
  }
  const auto maxLength = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
  const std::int32_t length = static_cast<std::int32_t>(size < maxLength ? size : maxLength);
  result.Length = length;
  if (length == 0) return result;

  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::uint8_t* const fuseData = fuses.data();
  std::int32_t pos = 0;
  ReaderState state = ReaderState::Preamble;
  std::int32_t address = 0;
  std::int32_t qp = 0;
  std::int32_t qf = 0;
  bool qpDeclared = false;
  bool qfDeclared = false;
  std::uint16_t given = 0;
  std::int32_t checksumPos = 0;
  // Which of the device's fuses L fields stored, to tell a text that sets the whole map.
  ListedFuses listed;
  bool filled = false;
  bool digits = false;

  // The values read so far, as the result gives them at the end or at an error.
  auto keepValues = [&] {
    result.Qp = qp;
    result.Qf = qf;
    result.QpDeclared = qpDeclared;
    result.QfDeclared = qfDeclared;
    result.GivenChecksum = given;
    result.ChecksumFieldPos = checksumPos;
  };
  auto stop = [&](SyntaxErrorKind kind) {
    keepValues();
    result.Position = pos;
    result.Outcome = ReadOutcome::SyntaxError;
    result.ErrorState = state;
    result.ErrorChar = p[pos];
    result.ErrorKind = kind;
    return result;
  };
  constexpr auto kUnexpected = SyntaxErrorKind::UnexpectedCharacter;

  while (pos < length) {
    // Each case consumes as many characters as its state allows; '*' always leads to FieldId.
    switch (state) {
      case ReaderState::Preamble:
      case ReaderState::SkipField: {
        // Nothing but '*' matters here.
        const void* star = std::memchr(p + pos, '*', static_cast<std::size_t>(length - pos));
        if (star == nullptr) {
          pos = length;
        } else {
          pos = static_cast<std::int32_t>(static_cast<const unsigned char*>(star) - p) + 1;
          state = ReaderState::FieldId;
        }
        break;
      }
      case ReaderState::FuseDigits: {
        // The hot loop of a fuse list: the end of the array is checked against a pointer
        // worked out once per run instead of an address per digit.
        std::uint8_t* const end = fuseData + kFuseArraySize;
        const bool inside = address < kFuseArraySize;
        std::uint8_t* out = inside ? fuseData + address : end;
        std::int32_t i = pos;
        for (;;) {
          // Eight fuse digits at a time while the text and the array both have room for them:
          // every byte is '0' or '1' exactly when all but its lowest bit match 0x30.
          while (length - i >= 8 && end - out >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if ((word & 0xFEFEFEFEFEFEFEFEull) != 0x3030303030303030ull) break;
            // No byte borrows from its neighbour, since each is at least 0x30.
            word -= 0x3030303030303030ull;
            std::memcpy(out, &word, 8);
            out += 8;
            i += 8;
          }
          if (i == length) break;
          const unsigned char c = p[i];
          if (IsFuse(c) && out != end) {
            *out++ = static_cast<std::uint8_t>(c - '0');
          } else if (!IsSpace(c)) {
            break;
          }
          ++i;
        }
        if (inside) {
          const auto stored = static_cast<std::int32_t>(out - fuseData);
          digits = digits || stored > address;
          listed.Mark(address, stored);
          address = stored;
        }
        pos = i;
        if (i == length) break;
        const unsigned char c = p[i];
        if (c == '*') {
          state = ReaderState::FieldId;
          ++pos;
          break;
        }
        return stop(IsFuse(c) ? SyntaxErrorKind::FuseBeyondArray : kUnexpected);
      }
      default: {
        const unsigned char c = p[pos];
        if (c == '*') {
          state = ReaderState::FieldId;
          ++pos;
          break;
        }
        switch (state) {
          case ReaderState::FieldId:
            if (IsSpace(c)) break;
            switch (c) {
              case 'C':
                checksumPos = pos;
                state = ReaderState::ChecksumFirst;
                break;
              case 'F':
                state = ReaderState::FillValue;
                break;
              case 'G':
                state = ReaderState::SecurityValue;
                break;
              case 'L':
                address = 0;
                state = ReaderState::AddressFirst;
                break;
              case 'Q':
                state = ReaderState::QKind;
                break;
              default:
                state = ReaderState::SkipField;
                break;
            }
            break;
          case ReaderState::AddressFirst:
            if (!IsDigit(c)) return stop(kUnexpected);
            address = c - '0';
            state = ReaderState::AddressDigits;
            break;
          case ReaderState::AddressDigits:
            if (IsDigit(c)) {
              if (!AppendDigit(address, c)) return stop(SyntaxErrorKind::NumberTooLarge);
            } else if (IsSpace(c)) {
              state = ReaderState::FuseDigits;
            } else {
              return stop(kUnexpected);
            }
            break;
          case ReaderState::FillValue:
            if (IsSpace(c)) break;
            if (!IsFuse(c)) return stop(kUnexpected);
            std::memset(fuseData, c - '0', kFuseArraySize);
            filled = true;
            state = ReaderState::SkipField;
            break;
          case ReaderState::SecurityValue:
            if (IsSpace(c)) break;
            if (!IsFuse(c)) return stop(kUnexpected);
            state = ReaderState::SkipField;
            break;
          case ReaderState::QKind:
            if (IsSpace(c)) break;
            if (c == 'P') {
              qp = 0;
              qpDeclared = false;
              state = ReaderState::QpFirst;
            } else if (c == 'F') {
              qf = 0;
              qfDeclared = false;
              state = ReaderState::QfFirst;
            } else {
              state = ReaderState::FieldId;
            }
            break;
          case ReaderState::QpFirst:
          case ReaderState::QfFirst: {
            if (IsSpace(c)) break;
            if (!IsDigit(c)) return stop(kUnexpected);
            const bool isQp = state == ReaderState::QpFirst;
            (isQp ? qp : qf) = c - '0';
            (isQp ? qpDeclared : qfDeclared) = true;
            state = isQp ? ReaderState::QpDigits : ReaderState::QfDigits;
            break;
          }
          case ReaderState::QpDigits:
          case ReaderState::QfDigits:
            if (IsDigit(c)) {
              if (!AppendDigit(state == ReaderState::QpDigits ? qp : qf, c)) {
                return stop(SyntaxErrorKind::NumberTooLarge);
              }
            } else if (IsSpace(c)) {
              state = ReaderState::QTrail;
            } else {
              return stop(kUnexpected);
            }
            break;
          case ReaderState::QTrail:
            if (!IsSpace(c)) return stop(kUnexpected);
            break;
          case ReaderState::ChecksumFirst:
            if (IsSpace(c)) break;
            if (HexDigitValue(c) < 0) return stop(kUnexpected);
            given = static_cast<std::uint16_t>(HexDigitValue(c));
            state = ReaderState::ChecksumDigits;
            break;
          case ReaderState::ChecksumDigits:
            if (HexDigitValue(c) >= 0) {
              given = static_cast<std::uint16_t>((given << 4) | HexDigitValue(c));
            } else if (IsSpace(c)) {
              state = ReaderState::FieldId;
            } else {
              return stop(kUnexpected);
            }
            break;
          default:
            break;
        }
        ++pos;
        break;
      }
    }
  }

  keepValues();
  result.Position = length;
  result.FillSeen = filled;
  result.FuseDigitSeen = digits;
  result.ListedMapFuses = listed.Count(kUesFirstFuse);
  result.ListedFuses = listed.Count(kDeviceFuseCount);
  if (qf == 0 && qp == 0) return result;
  result.ChecksumTested = true;
  result.ComputedChecksum = FuseChecksum(fuses, qf);
  if (result.ComputedChecksum != given) {
    result.Position = checksumPos;
    result.Outcome = ReadOutcome::ChecksumMismatch;
  }
  return result;
}

bool IsDeviceFuseCount(std::int32_t qf) {
  return qf == kQfWithoutUes || qf == kDeviceFuseCount || qf == kQfWithSecurityFuse;
}

bool IsDevicePinCount(std::int32_t qp) {
  return qp == kDevicePinCount || qp == kQpPlcc;
}

bool DeclaresThisDevice(const JedecReadResult& read) {
  return (!read.QfDeclared || IsDeviceFuseCount(read.Qf)) &&
         (!read.QpDeclared || IsDevicePinCount(read.Qp));
}

std::int32_t MapFuseCount(const JedecReadResult& read) {
  return read.QfDeclared && read.Qf == kQfWithoutUes ? kQfWithoutUes : kDeviceFuseCount;
}

std::int32_t FusesSet(const JedecReadResult& read) {
  if (read.FillSeen) return MapFuseCount(read);
  return MapFuseCount(read) == kQfWithoutUes ? read.ListedMapFuses : read.ListedFuses;
}

FuseCoverage CoverageOf(const JedecReadResult& read) {
  if (!read.FillSeen && !read.FuseDigitSeen) return FuseCoverage::None;
  return FusesSet(read) == MapFuseCount(read) ? FuseCoverage::Complete : FuseCoverage::Partial;
}

const char* DescribeExpected(ReaderState state) {
  switch (state) {
    case ReaderState::Preamble:
      return "any character before the first '*'";
    case ReaderState::SkipField:
      return "any character up to the next '*'";
    case ReaderState::FieldId:
      return "a field letter, white space or '*'";
    case ReaderState::AddressFirst:
      return "a decimal digit of the fuse address";
    case ReaderState::AddressDigits:
      return "a decimal digit of the fuse address or white space";
    case ReaderState::FuseDigits:
      return "a fuse digit 0 or 1, white space or '*'";
    case ReaderState::FillValue:
      return "a default fuse state 0 or 1";
    case ReaderState::SecurityValue:
      return "a security fuse state 0 or 1";
    case ReaderState::QKind:
      return "P, F or another Q field letter";
    case ReaderState::QpFirst:
      return "a decimal digit of the pin count";
    case ReaderState::QpDigits:
      return "a decimal digit of the pin count, white space or '*'";
    case ReaderState::QfFirst:
      return "a decimal digit of the fuse count";
    case ReaderState::QfDigits:
      return "a decimal digit of the fuse count, white space or '*'";
    case ReaderState::QTrail:
      return "white space or '*'";
    case ReaderState::ChecksumFirst:
      return "a hex digit of the fuse checksum";
    case ReaderState::ChecksumDigits:
      return "a hex digit of the fuse checksum, white space or '*'";
  }
  return "";
}

const char* ReaderStateName(ReaderState state) {
  switch (state) {
    case ReaderState::Preamble:
      return "Preamble";
    case ReaderState::SkipField:
      return "SkipField";
    case ReaderState::FieldId:
      return "FieldId";
    case ReaderState::AddressFirst:
      return "AddressFirst";
    case ReaderState::AddressDigits:
      return "AddressDigits";
    case ReaderState::FuseDigits:
      return "FuseDigits";
    case ReaderState::FillValue:
      return "FillValue";
    case ReaderState::SecurityValue:
      return "SecurityValue";
    case ReaderState::QKind:
      return "QKind";
    case ReaderState::QpFirst:
      return "QpFirst";
    case ReaderState::QpDigits:
      return "QpDigits";
    case ReaderState::QfFirst:
      return "QfFirst";
    case ReaderState::QfDigits:
      return "QfDigits";
    case ReaderState::QTrail:
      return "QTrail";
    case ReaderState::ChecksumFirst:
      return "ChecksumFirst";
    case ReaderState::ChecksumDigits:
      return "ChecksumDigits";
  }
  return "";
}

}  // namespace gantrel
