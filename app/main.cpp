// Start-up: the command line, the application, Qt's Japanese translation and the window.
//
// GANTREL_AUTOCLOSE_MS (for tests and start-up measurements, not for users): when set to a
// number of milliseconds, the window closes that long after it was shown. If some other
// window (a message box, say) is open at that moment, its title goes to stderr and the process
// exits with status 2; otherwise it ends as when the user closes the window, with status 0.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "AppResources.h"
#include "CommandLine.h"
#include "QtDialogs.h"
#include "SimulatedProgrammer.h"
#include "WindowSession.h"

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
  // Read before the application object exists: --help and --version need no display.
  const ParsedCommandLine line =
      ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  switch (line.Action) {
    case StartAction::Help:
      std::fputs(kWindowHelpHead, stdout);
      std::fputs(gantrel::kSimulatedFaultsHelp, stdout);
      std::fputs(kWindowHelpTail, stdout);
      return 0;
    case StartAction::Version:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case StartAction::UsageError:
      std::fprintf(stderr, "gantrel: %s\n%sTry 'gantrel --help'.\n", line.Message.c_str(),
                   kWindowUsage);
      return 2;
    case StartAction::Run:
      if (!line.Message.empty()) std::fprintf(stderr, "gantrel: %s\n", line.Message.c_str());
      break;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Gantrel"));
  QApplication::setDesktopFileName(QStringLiteral("gantrel"));
  QApplication::setWindowIcon(AppResources::Icon());
  AppResources::InstallJapaneseTranslation(app);

  QtDialogs dialogs;
  WindowSession session(line.Options, dialogs);
  dialogs.SetParent(&session.Window());
  QObject::connect(&session.Window(), &QDialog::finished, &app, [&app] { app.exit(0); });
  session.Start();
  ArmAutoClose(app, session.Window());
  return app.exec();
}
