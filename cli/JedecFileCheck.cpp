#include "JedecFileCheck.h"

#include "CliSupport.h"

namespace gantrel {
namespace {

// Why the reader stopped, in English: the character found and what the state expected, or,
// for a digit that is well-formed but out of bounds, what bound it broke.
std::string DescribeStop(const JedecReadResult& read) {
  const std::string found = DescribeByte(read.ErrorChar);
  switch (read.ErrorKind) {
    case SyntaxErrorKind::FuseBeyondArray:
      return "found fuse digit " + found + " bound for a fuse beyond 9999";
    case SyntaxErrorKind::NumberTooLarge:
      return "found digit " + found + ", which makes the number larger than 2147483647";
    default:
      return "found " + found + ", expected " + DescribeExpected(read.ErrorState);
  }
}

// What the command line adds to a loaded file: the checksum over the device's fuses, the
// transmission checksum and the place of a syntax error.
JedecFileCheck CheckLoaded(LoadedJedecFile loaded) {
  JedecFileCheck check;
  static_cast<LoadedJedecFile&>(check) = std::move(loaded);
  if (check.Status == CheckStatus::IoError) return check;
  check.FuseChecksum5892 = FuseChecksum(check.Fuses, kDeviceFuseCount);
  check.Transmission = CheckTransmission(check.Bytes);
  if (check.Status == CheckStatus::SyntaxError) {
    const std::size_t at =
        UnframedTextOffset(check.Bytes) + static_cast<std::size_t>(check.Read.Position);
    const TextPosition position = LocateByte(check.Bytes, at);
    check.Line = position.Line;
    check.Column = position.Column;
  }
  return check;
}

}  // namespace

const char* CheckStatusName(CheckStatus status) {
  switch (status) {
    case CheckStatus::IoError:
      return "io-error";
    case CheckStatus::SyntaxError:
      return "syntax-error";
    case CheckStatus::ChecksumMismatch:
      return "checksum-mismatch";
    case CheckStatus::OtherDevice:
      return "other-device";
    case CheckStatus::NoFuses:
      return "no-fuses";
    case CheckStatus::Partial:
      return "partial";
    case CheckStatus::Ok:
      return "ok";
  }
  return "io-error";
}

JedecFileCheck CheckJedecFile(const std::string& path) {
  return CheckLoaded(LoadJedecFile(path, FuseArray{}));
}

JedecFileCheck CheckJedecBytes(const std::string& path, std::string bytes) {
  return CheckLoaded(LoadJedecBytes(path, std::move(bytes), FuseArray{}));
}

std::string DescribeCheck(const JedecFileCheck& check) {
  const JedecReadResult& read = check.Read;
  switch (check.Status) {
    case CheckStatus::IoError: {
      std::string text = FileErrorName(check.Io.Error);
      if (!check.Io.Reason.empty()) text += ": " + check.Io.Reason;
      return text;
    }
    case CheckStatus::SyntaxError:
      return "syntax error: " + DescribeStop(read);
    case CheckStatus::ChecksumMismatch:
      return "checksum mismatch: given " + HexWord(read.GivenChecksum) + ", computed " +
             HexWord(read.ComputedChecksum) + " over QF" + std::to_string(read.Qf) + " fuses";
    case CheckStatus::OtherDevice: {
      std::string text = "for another device:";
      // Each declared count alone.
      if (read.QfDeclared && !IsDeviceFuseCount(read.Qf)) {
        text += " QF" + std::to_string(read.Qf) + " (not 5828, 5892 or 5893)";
      }
      if (read.QpDeclared && !IsDevicePinCount(read.Qp)) {
        text += " QP" + std::to_string(read.Qp) + " (not 24 or 28)";
      }
      return text;
    }
    case CheckStatus::NoFuses:
      return "no fuses: the text has no F field and no fuse digit in an L field";
    case CheckStatus::Partial:
      return "partial: no F field, and the L fields set " + std::to_string(FusesSet(read)) +
             " of the " + std::to_string(MapFuseCount(read)) + " fuses";
    case CheckStatus::Ok:
      // A QP alone runs the test over zero fuses, which says nothing worth showing.
      if (read.ChecksumTested && read.Qf > 0) {
        return "ok: " + std::to_string(read.Qf) + " fuses, checksum " +
               HexWord(read.ComputedChecksum);
      }
      return "ok: no fuse count declared, checksum of fuses 0-5891 " +
             HexWord(check.FuseChecksum5892);
  }
  return {};
}

std::string FormatVerdict(const JedecFileCheck& check) {
  std::string place = check.Path + ":";
  if (check.Status == CheckStatus::SyntaxError) {
    place += std::to_string(check.Line) + ":" + std::to_string(check.Column) + ":";
  }
  return place + " " + DescribeCheck(check);
}

std::string DescribeTransmission(const TransmissionCheck& transmission) {
  switch (transmission.Status) {
    case TransmissionStatus::Absent:
      return "transmission checksum absent (no ETX, or no hex digit after it)";
    case TransmissionStatus::Ok:
      return "transmission checksum " + HexWord(transmission.Stated) + " ok";
    case TransmissionStatus::LineEndings:
      return "transmission checksum " + HexWord(transmission.Stated) +
             " matches only with CR LF and LF swapped: the line endings were converted after "
             "the file was written";
    case TransmissionStatus::Mismatch:
      return "transmission checksum wrong: the file states " + HexWord(transmission.Stated) +
             ", its text gives " + HexWord(transmission.Computed);
  }
  return {};
}

}  // namespace gantrel
