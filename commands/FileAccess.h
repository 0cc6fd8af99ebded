// Reading and saving JEDEC files as raw bytes, on the system's own calls: a file is read whole
// (up to 1 MiB), and only a regular file is read, without ever waiting; a save replaces a file
// only once the new one is wholly on disk, so that a failed save leaves the old one as it was.
// Paths are bytes as the system takes them (UTF-8 on Windows).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace gantrel {

enum class FileError : std::uint8_t {
  None,
  OpenFailed,   // the file could not be opened (missing, no permission, a folder, a FIFO...)
  ReadFailed,   // it opened but could not be read to its end
  TooLarge,     // it holds more than kMaxJedecFileBytes
  WriteFailed,  // it could not be written or replaced; an existing file is left as it was
};

// What lay behind a failure to open or write, where the file system tells it.
enum class FileCause : std::uint8_t {
  Other,              // nothing more is known than the system's reason
  NotFound,           // the file (or, for a write, its folder) does not exist
  IsDirectory,        // the path names a folder
  PermissionDenied,   // the user may not read (or write) it
  NotRegular,         // a FIFO, device or socket: never read, so that nothing waits on it
  FolderNotWritable,  // the file may be written but its folder takes no new file, and a file
                      // is never rewritten in place (a failure half-way would lose it)
  NoReader,           // a FIFO that no process reads, and the save was not to wait for one
};

struct FileResult {
  FileError Error = FileError::None;
  std::string Reason;  // the system's own words ("Permission denied"), when it gave any
  FileCause Cause = FileCause::Other;
  bool Ok() const { return Error == FileError::None; }
};

// Reads the whole regular file at `path` into `bytes`, with no line-end conversion. A folder,
// FIFO, device or socket is refused at once (IsDirectory, NotRegular) and nothing blocks. A file
// of more than 1 MiB is refused with TooLarge. `bytes` is left empty on every failure.
FileResult ReadJedecFile(const std::string& path, std::string& bytes);

// What a save to a FIFO that no process reads yet does: refuse it (NoReader), or wait for a
// reader as any command-line tool does.
enum class PipeWait : std::uint8_t { Refuse, Wait };

// Saves `bytes` to `path`. A regular file, or a name not taken yet, gets a new temporary file in
// the same folder, written, flushed and synced, every step checked, then renamed over it; an
// existing file keeps its permission bits, and a symbolic link stays and the file it points to
// is replaced. An existing FIFO or device is written into, never replaced. On any failure the
// temporary file is removed, an existing file is left exactly as it was, and the reason is given.
FileResult SaveFile(const std::string& path, std::string_view bytes,
                    PipeWait pipe = PipeWait::Refuse);

// English description of a file error ("cannot open", "larger than 1 MiB"...).
const char* FileErrorName(FileError error);

}  // namespace gantrel
