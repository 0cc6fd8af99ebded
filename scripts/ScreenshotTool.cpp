// Renders the main window with a sample file loaded into a PNG, for the README:
//   QT_QPA_PLATFORM=offscreen gantrel_screenshot <file.jed> <out.png>
// The file is loaded through the load command over the simulated programmer.
#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "AppResources.h"
#include "WindowFixture.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Gantrel"));
  if (argc != 3) {
    std::fprintf(stderr, "usage: gantrel_screenshot <file.jed> <out.png>\n");
    return 2;
  }
  AppResources::InstallJapaneseTranslation(app);
  WindowFixture fixture;
  CGantrelDlg& window = fixture.window;
  window.Start();
  QApplication::processEvents();
  fixture.dialogs.Script.push_back(argv[1]);
  window.findChild<QAction*>(QStringLiteral("actionJedecLoad"))->trigger();
  QApplication::processEvents();
  if (fixture.dialogs.Events != std::vector<std::string>{"open"}) {
    std::fprintf(stderr, "gantrel_screenshot: the load raised a message\n");
    return 1;
  }
  if (!window.grab().save(QString::fromLocal8Bit(argv[2]))) {
    std::fprintf(stderr, "gantrel_screenshot: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
