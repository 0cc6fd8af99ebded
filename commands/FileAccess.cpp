#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "JedecFraming.h"

namespace gantrel {
namespace {

QString ToQString(const std::string& path) {
  return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

FileResult Failure(FileError error, const QString& reason, FileCause cause = FileCause::Other) {
  return FileResult{error, reason.toStdString(), cause};
}

// Asked after the open failed: the error string alone does not say it portably.
FileCause CauseOfReadFailure(const QFileInfo& info) {
  if (!info.exists()) return FileCause::NotFound;
  if (info.isDir()) return FileCause::IsDirectory;
  if (!info.isReadable()) return FileCause::PermissionDenied;
  return FileCause::Other;
}

FileCause CauseOfWriteFailure(const QFileInfo& info) {
  if (info.isDir()) return FileCause::IsDirectory;
  const QFileInfo folder(info.absolutePath());
  if (!folder.exists()) return FileCause::NotFound;
  if (!folder.isWritable() || (info.exists() && !info.isWritable())) {
    return FileCause::PermissionDenied;
  }
  return FileCause::Other;
}

}  // namespace

FileResult ReadJedecFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const QString name = ToQString(path);
  const QFileInfo info(name);
  // QFile opens a folder without complaint on some systems, then reads nothing from it.
  if (info.isDir())
    return FileResult{FileError::OpenFailed, "Is a directory", FileCause::IsDirectory};
  QFile file(name);
  // Raw bytes: no text mode, which would drop every CR.
  if (!file.open(QIODevice::ReadOnly)) {
    return Failure(FileError::OpenFailed, file.errorString(), CauseOfReadFailure(info));
  }
  // Read one byte more than allowed, so that a file that grew since it was sized is caught too.
  const QByteArray data = file.read(static_cast<qint64>(kMaxJedecFileBytes) + 1);
  if (file.error() != QFileDevice::NoError)
    return Failure(FileError::ReadFailed, file.errorString());
  if (static_cast<std::size_t>(data.size()) > kMaxJedecFileBytes) {
    return FileResult{FileError::TooLarge, {}};
  }
  bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
  return {};
}

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const QString name = ToQString(path);
  const QFileInfo info(name);
  if (info.isDir()) {
    return FileResult{FileError::WriteFailed, "Is a directory", FileCause::IsDirectory};
  }
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly)) {
    return Failure(FileError::WriteFailed, file.errorString(), CauseOfWriteFailure(info));
  }
  const qint64 size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return Failure(FileError::WriteFailed, reason);
  }
  if (!file.commit()) {
    return Failure(FileError::WriteFailed, file.errorString(), CauseOfWriteFailure(info));
  }
  return {};
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
