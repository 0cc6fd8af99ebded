// A JEDEC file read the one way that both the window's load and gantrel-cli use: the whole file
// read, unframed, its text read into a copy of the fuse map, and the verdict on it.
#pragma once

#include <cstdint>
#include <string>

#include "FileAccess.h"
#include "FuseMap.h"
#include "JedecReader.h"

namespace gantrel {

// The verdict on a file, in order of precedence: the first that applies.
enum class CheckStatus : std::uint8_t {
  IoError,           // the file could not be read
  SyntaxError,       // the reader stopped at a character
  ChecksumMismatch,  // the fuse checksum differs from the C field (rejected unless overlooked)
  OtherDevice,       // it declares a fuse or pin count that is not the ATF22LV10C's
  NoFuses,           // no F field and no fuse digit: refused whatever the user says
  Partial,           // no F field, and some of the map's fuses are left unset (FusesSet)
  Ok,
};

struct LoadedJedecFile {
  std::string Path;
  CheckStatus Status = CheckStatus::IoError;
  FileResult Io;         // why the file could not be read, for IoError
  std::string Bytes;     // the file as read
  std::string Text;      // its bare text, as the reader took it
  JedecReadResult Read;  // what the reader made of the text
  FuseArray Fuses{};     // the fuses it yields
};

// Reads the file at `path` whole, unframes it and reads its text into a copy of `fuses`, which
// the caller keeps or drops. Never fails: an unreadable file gives IoError with the reason.
LoadedJedecFile LoadJedecFile(const std::string& path, const FuseArray& fuses);
// The same for `bytes` already read from the file named `path` (standard input, for one).
LoadedJedecFile LoadJedecBytes(const std::string& path, std::string bytes, const FuseArray& fuses);

// Whether the user may overlook the verdict: a ChecksumMismatch, OtherDevice or Partial.
bool MayOverlook(CheckStatus status);

// The user's OK to what an overlookable verdict asks: the file counts as correct on that point
// (for a checksum mismatch the reader's position becomes the text's length) and the verdict
// moves on to the next that applies. Any other verdict stays.
void Overlook(LoadedJedecFile& file);

}  // namespace gantrel
