#include "JedecFileCheck.h"

#include "CliFormat.h"
#include "CommandTexts.h"

namespace gantrel {
namespace {

// The command line cannot ask anybody, so a mismatch counts as rejected, as Cancel would.
class RejectMismatch : public ChecksumQuestion {
 public:
  bool AcceptChecksumMismatch(std::uint16_t, std::uint16_t) override { return false; }
};

// Where the unframed text starts in the file: after the first STX that comes before the first
// zero byte, else at the start.
std::size_t UnframedTextOffset(std::string_view fileBytes) {
  const std::size_t end = fileBytes.find('\0');
  const std::size_t stx = fileBytes.substr(0, end).find(kStx);
  return stx == std::string_view::npos ? 0 : stx + 1;
}

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
    case CheckStatus::Ok:
      return "ok";
  }
  return "io-error";
}

JedecFileCheck CheckJedecFile(const std::string& path) {
  std::string bytes;
  const FileResult io = ReadJedecFile(path, bytes);
  if (io.Ok()) return CheckJedecBytes(path, bytes);
  JedecFileCheck check;
  check.Path = path;
  check.Io = io;
  return check;
}

JedecFileCheck CheckJedecBytes(const std::string& path, const std::string& bytes) {
  JedecFileCheck check;
  check.Path = path;
  check.TextOffset = UnframedTextOffset(bytes);
  const std::string text = UnframeJedecText(bytes);
  RejectMismatch question;
  check.Read = JedecReader(text, check.Fuses, question);
  check.FuseChecksum5892 = FuseChecksum(check.Fuses, kDeviceFuseCount);
  check.Transmission = CheckTransmission(bytes);

  if (check.Read.Outcome == ReadOutcome::SyntaxError) {
    check.Status = CheckStatus::SyntaxError;
    const std::size_t at = check.TextOffset + static_cast<std::size_t>(check.Read.Position);
    const TextPosition position = LocateByte(bytes, at);
    check.Line = position.Line;
    check.Column = position.Column;
  } else if (check.Read.Outcome == ReadOutcome::ChecksumRejected) {
    check.Status = CheckStatus::ChecksumMismatch;
  } else if (!DeclaresThisDevice(check.Read.Qf, check.Read.Qp)) {
    check.Status = CheckStatus::OtherDevice;
  } else {
    check.Status = CheckStatus::Ok;
  }
  return check;
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
      // Each count alone, the other taken as absent.
      if (!DeclaresThisDevice(read.Qf, 0)) {
        text += " QF" + std::to_string(read.Qf) + " (not 5828, 5892 or 5893)";
      }
      if (!DeclaresThisDevice(0, read.Qp)) {
        text += " QP" + std::to_string(read.Qp) + " (not 24 or 28)";
      }
      return text;
    }
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
