#include "StoredSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr const char* kFolderKey = "folder";
constexpr const char* kGeometryKey = "geometry";

// QSettings reads a file it cannot parse as empty and reports it only through status(), so a
// bad file gives the defaults; writes reach the disk when the object goes.
QSettings Settings() {
  return QSettings(QStringLiteral("Gantrel"), QStringLiteral("Gantrel"));
}

}  // namespace

namespace StoredSettings {

QString Folder() {
  const QString folder = Settings().value(kFolderKey).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void KeepFolderOf(const QString& file) {
  Settings().setValue(kFolderKey, QFileInfo(file).absolutePath());
}

QByteArray Geometry() {
  return Settings().value(kGeometryKey).toByteArray();
}

void KeepGeometry(const QByteArray& geometry) {
  Settings().setValue(kGeometryKey, geometry);
}

}  // namespace StoredSettings
