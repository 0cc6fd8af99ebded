// What start-up takes from the application's resources and Qt's own files.
#pragma once

#include <QIcon>

class QCoreApplication;

class AppResources {
 public:
  // The window icon, from the PNGs compiled into the program (16 to 256 pixels).
  static QIcon Icon();
  // Installs Qt's own Japanese translation (qtbase_ja) into `app`, so that Qt's buttons and
  // dialogs speak Japanese; false when the translation file could not be loaded.
  static bool InstallJapaneseTranslation(QCoreApplication& app);
};
