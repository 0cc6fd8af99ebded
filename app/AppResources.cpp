#include "AppResources.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QIcon AppResources::Icon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 256}) {
    icon.addFile(QStringLiteral(":/icons/gantrel-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

bool AppResources::InstallJapaneseTranslation(QCoreApplication& app) {
  // The translator lives as long as the application; Qt does not take ownership.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
