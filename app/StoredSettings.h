// What the window keeps between runs, through QSettings under organisation and application
// "Gantrel": the folder of the last file opened or saved, and the window's size and place.
// Nothing else is stored. A missing or unreadable settings file reads as nothing stored.
#pragma once

#include <QByteArray>
#include <QString>

namespace StoredSettings {

// The folder of the last file opened or saved; empty when none is stored or it is gone.
QString Folder();
// Stores the folder that holds `file`.
void KeepFolderOf(const QString& file);

// The window's geometry as QWidget::saveGeometry gave it; empty when none is stored.
QByteArray Geometry();
void KeepGeometry(const QByteArray& geometry);

}  // namespace StoredSettings
