// Start-up: the application, Qt's Japanese translation, the programmer link and the window.
//
// GANTREL_AUTOCLOSE_MS (for tests and start-up measurements, not for users): when set to a
// number of milliseconds, the window closes that long after it was shown. If some other
// window (a message box, say) is open at that moment, its title goes to stderr and the process
// exits with status 2; otherwise it ends as when the user closes the window, with status 0.
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "AppResources.h"
#include "CGantrelDlg.h"
#include "DeviceLink.h"
#include "HidapiProgrammer.h"
#include "QtDialogProvider.h"

namespace {

void ArmAutoClose(QApplication& app, CGantrelDlg& dialog) {
  bool valid = false;
  const int delay = qEnvironmentVariableIntValue("GANTREL_AUTOCLOSE_MS", &valid);
  if (!valid || delay < 0) return;
  QTimer::singleShot(delay, &dialog, [&app, &dialog] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget != &dialog && widget->isVisible()) {
        std::fprintf(stderr, "gantrel: unexpected window open: %s\n",
                     widget->windowTitle().toUtf8().constData());
        app.exit(2);
        return;
      }
    }
    dialog.reject();
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Gantrel"));
  QApplication::setDesktopFileName(QStringLiteral("gantrel"));
  QApplication::setWindowIcon(AppResources::Icon());
  AppResources::InstallJapaneseTranslation(app);

  gantrel::HidapiBackend backend;
  gantrel::DeviceLink link(backend);
  QtDialogProvider dialogs;
  CGantrelDlg dialog(link, dialogs);
  QObject::connect(&dialog, &QDialog::finished, &app, [&app] { app.exit(0); });
  dialog.Start();
  ArmAutoClose(app, dialog);
  return app.exec();
}
