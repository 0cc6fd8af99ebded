#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "JedecFraming.h"

namespace gantrel {
namespace {

QString ToQString(const std::string& path) { return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())); }

FileResult Failure(FileError error, const QString& reason) {
  return FileResult{error, reason.toStdString()};
}

}  // namespace

FileResult ReadJedecFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const QString name = ToQString(path);
  if (QFileInfo(name).isDir()) return FileResult{FileError::OpenFailed, "Is a directory"};
  QFile file(name);
  // Raw bytes: no text mode, which would drop every CR.
  if (!file.open(QIODevice::ReadOnly)) return Failure(FileError::OpenFailed, file.errorString());
  // Read one byte more than allowed, so that a file that grew since it was sized is caught too.
  const QByteArray data = file.read(static_cast<qint64>(kMaxJedecFileBytes) + 1);
  if (file.error() != QFileDevice::NoError) return Failure(FileError::ReadFailed, file.errorString());
  if (static_cast<std::size_t>(data.size()) > kMaxJedecFileBytes) {
    return FileResult{FileError::TooLarge, "larger than 1 MiB"};
  }
  bytes.assign(data.constData(), static_cast<std::size_t>(data.size()));
  return {};
}

FileResult WriteFileAtomically(const std::string& path, std::string_view bytes) {
  QSaveFile file(ToQString(path));
  if (!file.open(QIODevice::WriteOnly)) return Failure(FileError::WriteFailed, file.errorString());
  const qint64 size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return Failure(FileError::WriteFailed, reason);
  }
  if (!file.commit()) return Failure(FileError::WriteFailed, file.errorString());
  return {};
}

const char* FileErrorName(FileError error) {
  switch (error) {
    case FileError::None: return "no error";
    case FileError::OpenFailed: return "cannot open";
    case FileError::ReadFailed: return "cannot read";
    case FileError::TooLarge: return "larger than 1 MiB";
    case FileError::WriteFailed: return "cannot write";
  }
  return "unknown error";
}

}  // namespace gantrel
