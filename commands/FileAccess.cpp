// Files are handled on the system's own calls, each result checked. QSaveFile is not used: in
// Qt 6.4 its commit() returns true when the final flush of its buffer failed (a full disk, a
// file-size limit), and the old file is then replaced by a cut-short one, reported as saved.
#include "FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

#include "JedecFraming.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#endif

namespace gantrel {
namespace {

// The calls that both systems have, under the names of each.
#ifdef _WIN32
using FileInfo = struct _stat64;
constexpr auto InfoOf = _fstat64;
constexpr auto ReadSome = _read;
constexpr auto WriteSome = _write;
constexpr auto CloseFile = _close;
#else
using FileInfo = struct stat;
constexpr auto InfoOf = ::fstat;
constexpr auto ReadSome = ::read;
constexpr auto WriteSome = ::write;
constexpr auto CloseFile = ::close;
#endif

bool IsFolder(const FileInfo& info) {
  return (info.st_mode & S_IFMT) == S_IFDIR;
}
bool IsRegular(const FileInfo& info) {
  return (info.st_mode & S_IFMT) == S_IFREG;
}

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

FileResult Failure(FileError error, int code, FileCause cause = FileCause::Other) {
  return FileResult{error, SystemReason(code), cause};
}

FileCause CauseOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileCause::NotFound;
    case EACCES:
    case EPERM:
      return FileCause::PermissionDenied;
    case EISDIR:
      return FileCause::IsDirectory;
    default:
      return FileCause::Other;
  }
}

// Reads the open descriptor `fd` whole, once it is known to be a regular file.
FileResult ReadOpened(int fd, std::string& bytes) {
  FileInfo info{};
  if (InfoOf(fd, &info) != 0) return Failure(FileError::ReadFailed, errno);
  if (IsFolder(info)) return {FileError::OpenFailed, SystemReason(EISDIR), FileCause::IsDirectory};
  if (!IsRegular(info)) return {FileError::OpenFailed, "not a regular file", FileCause::NotRegular};
  char chunk[65536];
  // One byte more than allowed is read, so that a file that grew since it was sized is caught too.
  while (bytes.size() <= kMaxJedecFileBytes) {
    const long long got = ReadSome(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Failure(FileError::ReadFailed, errno);
    if (got == 0) return {};
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  return {FileError::TooLarge, {}};
}

// Writes all of `bytes`; false with the system's error in `error` when a write fails. A short
// write is no failure by itself: the next one tells why the file took no more.
bool WriteAll(int fd, std::string_view bytes, int& error) {
  while (!bytes.empty()) {
    const unsigned size = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const long long put = WriteSome(fd, bytes.data(), size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = put < 0 ? errno : EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

#ifdef _WIN32

std::wstring Wide(const std::string& text) {
  const int size = static_cast<int>(text.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

int OpenForReading(const std::string& path) {
  return _wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

}  // namespace

// Windows has no FIFOs in the file system and keeps permissions in the folder's ACL, which a
// new file inherits: a temporary file beside the target, then MoveFileExW over it.
FileResult SaveFile(const std::string& path, std::string_view bytes, PipeWait) {
  const std::wstring target = Wide(path);
  FileInfo info{};
  const bool exists = _wstat64(target.c_str(), &info) == 0;
  if (exists && IsFolder(info)) {
    return {FileError::WriteFailed, SystemReason(EISDIR), FileCause::IsDirectory};
  }
  const bool direct = exists && !IsRegular(info);  // a device such as NUL is written into
  std::wstring temp = target;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    if (!direct) {
      temp = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(attempt) + L".tmp";
    }
    const int create = direct ? 0 : _O_CREAT | _O_EXCL;
    fd = _wopen(temp.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT | create, _S_IREAD | _S_IWRITE);
    if (fd < 0 && (direct || errno != EEXIST)) break;
  }
  if (fd < 0) {
    const int code = errno;
    return Failure(FileError::WriteFailed, code, CauseOf(code));
  }
  int error = 0;
  WriteAll(fd, bytes, error);
  if (error == 0 && !direct && _commit(fd) != 0) error = errno;
  if (CloseFile(fd) != 0 && error == 0) error = errno;
  if (direct) return error == 0 ? FileResult{} : Failure(FileError::WriteFailed, error);
  if (error == 0 && !MoveFileExW(temp.c_str(), target.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    _wremove(temp.c_str());
    return {FileError::WriteFailed, std::system_category().message(static_cast<int>(code)),
            code == ERROR_ACCESS_DENIED ? FileCause::PermissionDenied : FileCause::Other};
  }
  if (error != 0) {
    _wremove(temp.c_str());
    return Failure(FileError::WriteFailed, error);
  }
  return {};
}

#else

// Without O_NONBLOCK, opening a FIFO waits until some other process opens its other end.
int OpenForReading(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  // Only a regular file is read from here on, and a read from it never waits.
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The name that a save replaces: `path`, or the name that its chain of symbolic links ends at,
// whether a file of that name exists or not. False with the error when the chain cannot be read.
bool ResolveLinks(const std::string& path, std::string& target, int& error) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0) {
      error = errno;
      return error == ENOENT;
    }
    if (!S_ISLNK(info.st_mode)) return true;
    std::string link(PATH_MAX, '\0');
    const ssize_t size = ::readlink(target.c_str(), link.data(), link.size());
    if (size < 0) {
      error = errno;
      return false;
    }
    link.resize(static_cast<std::size_t>(size));
    target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
  }
  error = ELOOP;
  return false;
}

// A reader of a FIFO that goes away raises SIGPIPE, which would end the process, and the window
// with its edits: it is held back while the FIFO is written, so that the write fails with EPIPE.
class HeldBrokenPipe {
 public:
  HeldBrokenPipe() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
  }
  ~HeldBrokenPipe() {
    sigset_t pending;
    const timespec now{};
    if (sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1)
      sigtimedwait(&pipe_, nullptr, &now);
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  HeldBrokenPipe(const HeldBrokenPipe&) = delete;
  HeldBrokenPipe& operator=(const HeldBrokenPipe&) = delete;

 private:
  sigset_t pipe_{};
  sigset_t old_{};
};

// A FIFO or device is written into as it is: replacing it would put a regular file in its place.
FileResult WriteInto(const std::string& path, const struct stat& info, std::string_view bytes,
                     PipeWait pipe) {
  const bool refuseWait = S_ISFIFO(info.st_mode) && pipe == PipeWait::Refuse;
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (refuseWait ? O_NONBLOCK : 0));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int code = errno;
    // A FIFO opened without waiting has no reader when the open gives ENXIO.
    if (refuseWait && code == ENXIO) {
      return {FileError::WriteFailed, "no process reads the FIFO", FileCause::NoReader};
    }
    return Failure(FileError::WriteFailed, code, CauseOf(code));
  }
  if (refuseWait) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  int error = 0;
  {
    const HeldBrokenPipe held;
    WriteAll(fd, bytes, error);
  }
  if (CloseFile(fd) != 0 && error == 0) error = errno;
  return error == 0 ? FileResult{} : Failure(FileError::WriteFailed, error);
}

// A new file in `folder`, created for this save alone (O_EXCL), named after `target`; -1 with
// errno set when none can be made. New files get the usual mode, 0666 less the umask.
int CreateTemporary(const std::string& folder, const std::string& target, std::string& temp) {
  const std::string name = target.substr(target.rfind('/') + 1).substr(0, 120);
  static unsigned serial = 0;
  const unsigned long seed = static_cast<unsigned long>(::getpid()) * 7919UL +
                             static_cast<unsigned long>(std::time(nullptr));
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = folder + "/." + name + ".tmp-" + std::to_string(seed % 1000000) + "-" +
           std::to_string(serial++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Best effort: the rename is on disk once the folder is synced too. The new file is in place
// either way, so a failure here is not one of the save.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes a new file beside `target` and renames it over it; `old` is the file there, if any.
FileResult ReplaceFile(const std::string& target, const struct stat* old, std::string_view bytes) {
  const std::string folder = FolderOf(target);
  std::string temp;
  const int fd = CreateTemporary(folder, target, temp);
  if (fd < 0) {
    const int code = errno;
    // The file could be written in place, but a failure half-way would then lose it.
    if (old != nullptr && (code == EACCES || code == EPERM || code == EROFS))
      return Failure(FileError::WriteFailed, code, FileCause::FolderNotWritable);
    return Failure(FileError::WriteFailed, code, CauseOf(code));
  }
  int error = 0;
  if (old != nullptr) {
    // The owner stays where the system allows it (root saving another user's file), else the
    // user who saves owns the new file. The mode is set after, as a change of owner clears the
    // set-ID bits.
    const bool sameOwner = old->st_uid == ::geteuid() && old->st_gid == ::getegid();
    [[maybe_unused]] const bool ownerKept =
        sameOwner || ::fchown(fd, old->st_uid, old->st_gid) == 0;
    if (::fchmod(fd, old->st_mode & 07777) != 0) error = errno;
  }
  if (error == 0) WriteAll(fd, bytes, error);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (CloseFile(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return Failure(FileError::WriteFailed, error);
  }
  SyncFolder(folder);
  return {};
}

}  // namespace

FileResult SaveFile(const std::string& path, std::string_view bytes, PipeWait pipe) {
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) {
    const int code = errno;
    return Failure(FileError::WriteFailed, code, CauseOf(code));
  }
  if (exists && S_ISDIR(info.st_mode)) {
    return {FileError::WriteFailed, SystemReason(EISDIR), FileCause::IsDirectory};
  }
  if (exists && !S_ISREG(info.st_mode)) return WriteInto(path, info, bytes, pipe);
  std::string target;
  int error = 0;
  if (!ResolveLinks(path, target, error)) {
    return Failure(FileError::WriteFailed, error, CauseOf(error));
  }
  // A file that its owner made read-only is not replaced behind its back.
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
    const int code = errno;
    return Failure(FileError::WriteFailed, code, CauseOf(code));
  }
  return ReplaceFile(target, exists ? &info : nullptr, bytes);
}

#endif

FileResult ReadJedecFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const int fd = OpenForReading(path);
  if (fd < 0) {
    const int code = errno;
    return Failure(FileError::OpenFailed, code, CauseOf(code));
  }
  FileResult result = ReadOpened(fd, bytes);
  CloseFile(fd);  // only read from: a failed close loses nothing
  if (!result.Ok()) bytes.clear();
  return result;
}

const char* FileErrorName(FileError error) {
  switch (error) {
    case FileError::None:
      return "no error";
    case FileError::OpenFailed:
      return "cannot open";
    case FileError::ReadFailed:
      return "cannot read";
    case FileError::TooLarge:
      return "larger than 1 MiB";
    case FileError::WriteFailed:
      return "cannot write";
  }
  return "unknown error";
}

}  // namespace gantrel
