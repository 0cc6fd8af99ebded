// One JEDEC file loaded the way the window's load command loads it, and the verdict on it.
#pragma once

#include <cstdint>
#include <string>

#include "JedecFraming.h"
#include "JedecLoad.h"

namespace gantrel {

// "io-error", "syntax-error", "checksum-mismatch", "other-device", "no-fuses", "partial" or
// "ok".
const char* CheckStatusName(CheckStatus status);

// A file loaded as the window loads it, with what the command line reports besides.
struct JedecFileCheck : LoadedJedecFile {
  int Line = 0;  // for SyntaxError: where the offending byte is in the file
  int Column = 0;
  TransmissionCheck Transmission;      // the file's transmission checksum
  std::uint16_t FuseChecksum5892 = 0;  // FuseChecksum over fuses 0..5891 of Fuses
};

// LoadJedecFile from an all-0 fuse map; nobody is asked, so a checksum mismatch and another
// device stay verdicts. Never fails: an unreadable file gives IoError with the reason.
JedecFileCheck CheckJedecFile(const std::string& path);
// The same for `bytes` already read from the file named `path`.
JedecFileCheck CheckJedecBytes(const std::string& path, std::string bytes);

// The verdict in English without the file name: "ok: 5892 fuses, checksum 9EDF",
// "syntax error: found 'x', expected a fuse digit 0 or 1", "checksum mismatch: ..." and so on.
std::string DescribeCheck(const JedecFileCheck& check);

// The verdict with its place: "FILE:LINE:COLUMN: syntax error: ..." for a syntax error,
// "FILE: ..." otherwise.
std::string FormatVerdict(const JedecFileCheck& check);

// What the transmission checksum says, in English ("transmission checksum absent ...").
std::string DescribeTransmission(const TransmissionCheck& transmission);

}  // namespace gantrel
