// Reading and writing JEDEC files as raw bytes: a file is read whole (up to 1 MiB) and written
// atomically, so that a failed save leaves an existing file intact.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gantrel {

enum class FileError : std::uint8_t {
  None,
  OpenFailed,   // the file could not be opened (missing, no permission, a folder...)
  ReadFailed,   // it opened but could not be read to its end
  TooLarge,     // it holds more than kMaxJedecFileBytes
  WriteFailed,  // it could not be written or committed; an existing file is left as it was
};

// What lay behind a failure to open or write, where the file system tells it.
enum class FileCause : std::uint8_t {
  Other,             // nothing more is known than the system's reason
  NotFound,          // the file (or, for a write, its folder) does not exist
  IsDirectory,       // the path names a folder
  PermissionDenied,  // the user may not read (or write) it
};

struct FileResult {
  FileError Error = FileError::None;
  std::string Reason;  // the system's own words ("Permission denied"), when it gave any
  FileCause Cause = FileCause::Other;
  bool Ok() const { return Error == FileError::None; }
};

// Reads the whole file at `path` (UTF-8) into `bytes`, with no line-end conversion. A file of
// more than 1 MiB is refused with TooLarge and `bytes` left empty.
FileResult ReadJedecFile(const std::string& path, std::string& bytes);

// Writes `bytes` to `path` (UTF-8) through a temporary file that replaces the old one only
// once everything has been written.
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes);

// English description of a file error ("cannot open", "larger than 1 MiB"...).
const char* FileErrorName(FileError error);

}  // namespace gantrel
