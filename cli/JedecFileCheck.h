// One JEDEC file loaded the way the window's load command loads it, and the verdict on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "FileAccess.h"
#include "FuseMap.h"
#include "JedecFraming.h"
#include "JedecReader.h"

namespace gantrel {

// The verdict on a file, in order of precedence: the first that applies.
enum class CheckStatus : std::uint8_t {
  IoError,           // the file could not be read
  SyntaxError,       // the reader stopped at a character
  ChecksumMismatch,  // the fuse checksum differs from the C field (counted as rejected)
  OtherDevice,       // it declares a QF other than 5828, 5892, 5893 or a QP other than 24, 28
  Ok,
};

// "io-error", "syntax-error", "checksum-mismatch", "other-device" or "ok".
const char* CheckStatusName(CheckStatus status);

struct JedecFileCheck {
  std::string Path;
  CheckStatus Status = CheckStatus::IoError;
  FileResult Io;               // why the file could not be read, for IoError
  std::size_t TextOffset = 0;  // where the unframed text begins in the file (after any STX)
  JedecReadResult Read;        // what the reader made of the text
  FuseArray Fuses{};           // the fuses it yields, starting from all 0
  int Line = 0;                // for SyntaxError: where the offending byte is in the file
  int Column = 0;
  TransmissionCheck Transmission;      // the file's transmission checksum
  std::uint16_t FuseChecksum5892 = 0;  // FuseChecksum over fuses 0..5891 of Fuses

  // True when the file loads without any error (the window would show no message).
  bool Loaded() const { return Status != CheckStatus::IoError && Read.Ok(); }
};

// Reads the file at `path` whole, unframes it and reads it into an all-0 fuse map, answering a
// checksum mismatch with Cancel since nobody is asked. Never fails: an unreadable file gives
// IoError with the reason.
JedecFileCheck CheckJedecFile(const std::string& path);
// The same for `bytes` already read from the file named `path`.
JedecFileCheck CheckJedecBytes(const std::string& path, const std::string& bytes);

// The verdict in English without the file name: "ok: 5892 fuses, checksum 9EDF",
// "syntax error: found 'x', expected a fuse digit 0 or 1", "checksum mismatch: ..." and so on.
std::string DescribeCheck(const JedecFileCheck& check);

// The verdict with its place: "FILE:LINE:COLUMN: syntax error: ..." for a syntax error,
// "FILE: ..." otherwise.
std::string FormatVerdict(const JedecFileCheck& check);

// What the transmission checksum says, in English ("transmission checksum absent ...").
std::string DescribeTransmission(const TransmissionCheck& transmission);

}  // namespace gantrel
