// The window under QtTest, offscreen, over the simulated programmer with scripted boxes: the
// menu, the keys, closing, the bytes behind the text area, the command line, the drop, the
// progress box, and the real boxes.
#include "AppResources.h"
#include "CPes.h"
#include "CommandLine.h"
#include "CommandTexts.h"
#include "ProgressBox.h"
#include "QtDialogs.h"
#include "WindowFixture.h"
#include "WindowSession.h"

namespace {

using Strings = std::vector<std::string>;
const std::string kStartText = "t*F0*L3 1*";  // a clean text setting fuse 3
// "あい" then CR LF, "う!" in CP932; "あい" LF in UTF-8 after its byte-order mark.
const QByteArray kCp932 = "\x82\xa0\x82\xa2\r\n\x82\xa4!";
// The line that boxes asking to reconnect the programmer add under --simulate.
const QString kSimulatedHint =
    "\r\nシミュレーションでは、メニュー「シミュレーション」→"
    "「プログラマを接続し直す」で接続し直せます。";
const QByteArray kUtf8Bom = "\xef\xbb\xbf\xe3\x81\x82\xe3\x81\x84\n";

// Sends a drag of `data` from another program onto `target`, offering a copy or a move (Shift
// proposes the move), and then its drop; the action taken, IgnoreAction if refused.
Qt::DropAction Drop(QWidget* target, const QMimeData& data, Qt::KeyboardModifiers keys = {}) {
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(QPoint(5, 5), offered, &data, Qt::LeftButton, keys);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), offered, &data, Qt::LeftButton, keys);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// The bytes shown and the text area's text, the caret put at a byte offset and the character
// it stands before, text added at the end ("" for none), and the bytes then.
struct TextCase {
  QByteArray bytes;
  QString shown;
  int offset, position;
  QString added;
  QByteArray edited;
};

// Runs `inspect` on the modal box of type T as soon as its loop runs, then closes it if it is
// still open (also when a check failed), so that no test waits on an open loop.
template <typename T, typename F>
void WhenModalOpens(F inspect) {
  QTimer::singleShot(0, qApp, [inspect] {
    QPointer<QDialog> modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (auto* box = qobject_cast<T*>(modal.data())) inspect(box);
    if (modal && modal->isVisible()) modal->reject();
    QVERIFY(qobject_cast<T*>(modal.data()));
  });
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT
  gantrel::testing::TempDir dir, other;
  QString Path(const char* name) { return QString::fromStdString(dir.File(name)); }

 private slots:
  void initTestCase() {
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(AppResources::InstallJapaneseTranslation(*qApp));
    gantrel::testing::WriteFileBytes(dir.File("start.jed"), kStartText);
  }

  // Each menu item reaches its command, JEDEC読込 and JEDEC保存 through their standard keys: a
  // CP932 file loaded and uploaded, burned, saved byte for byte, and read back (PES取得 refused
  // while the read runs, then shown); the text read is painted and takes a click.
  void Menu_EachItemRunsItsCommand_CommandsDoNotNest_TextPaintedAndClicked() {
    WindowFixture f;
    f.Start();
    const QMenuBar* bar = f.window.findChild<QMenuBar*>("menuBar");
    QStringList menu;  // the menu bar, then the first menu
    for (QAction* a : bar->actions() + bar->actions()[0]->menu()->actions()) menu << a->text();
    QCOMPARE(menu.join(','), "ファイル,書き込み,読み込み,PES取得,JEDEC読込,JEDEC保存");
    QCOMPARE(f.window.focusWidget(), f.text);
    const std::string content = "\x02\x83\x65\x83\x58\x83\x67\r\n*QF5892*\r\nF0*\r\n\x03";
    gantrel::testing::WriteFileBytes(dir.File("sjis.jed"), content);
    f.dialogs.Script = {dir.File("sjis.jed"), dir.File("copy")};
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    QTest::keySequence(&f.window, QKeySequence::Open);
    f.Trigger("actionDeviceWrite");
    QCOMPARE(f.programmer.BurnCount(), 1);
    QTest::keySequence(&f.window, QKeySequence::Save);
    QCOMPARE(gantrel::testing::ReadFileBytes(dir.File("copy")).substr(0, content.size()), content);
    QTimer::singleShot(0, this, [&f] { f.Trigger("actionPesRead"); });  // inside the read
    f.Trigger("actionDeviceRead");
    QVERIFY(f.text->toPlainText().startsWith("JEDEC file for ATF22LV10C"));
    f.Trigger("actionPesRead");
    QCOMPARE(f.dialogs.Events,
             Strings({"open", "[成功 -.] 書き込みに成功しました。", "save", "pes 1F22L10C3"}));
    QVERIFY(f.Clean());
    // The text read is painted, and a click puts the caret where it points.
    const QImage image = f.text->viewport()->grab().toImage();
    int inked = 0;  // pixels much darker than the white background
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) inked += qGray(image.pixel(x, y)) < 128;
    QVERIFY2(inked > 40, qPrintable(QString::number(inked)));
    QTextCursor fifth = f.text->textCursor();
    fifth.setPosition(5);
    QTest::mouseClick(f.text->viewport(), Qt::LeftButton, {}, f.text->cursorRect(fifth).center());
    QCOMPARE(f.text->textCursor().position(), 5);
  }

  // Enter inserts nothing, Ctrl+Enter breaks the line; Escape closes the window, after asking
  // only when the text holds unsaved edits.
  void Keys_EnterInsertsNothing_EscapeAsksOnlyOverUnsavedEdits() {
    WindowFixture f;
    f.Start();
    QTest::keyClicks(f.text, "ab");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(f.text, key);
    QTest::keyClick(f.text, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f.text->toPlainText(), "ab\n");
    const std::string asked = "[Gantrel !?] 編集した内容は保存されていません。終了しますか？";
    for (const char* answer : {"Cancel", "OK"}) {
      f.dialogs.Script = {answer};
      QTest::keyClick(f.text, Qt::Key_Escape);
      QCOMPARE(f.window.isVisible(), answer == std::string("Cancel"));
    }
    QCOMPARE(f.dialogs.Events, Strings({asked, asked}));
    f.window.show();
    f.window.TextSaved();
    QTest::keyClick(f.text, Qt::Key_Escape);
    QVERIFY(!f.window.isVisible() && f.dialogs.Events.size() == 2 && f.Clean());
  }

  // Each TextCase shown, the caret placed, text added; once saved, the edited bytes are shown.
  void TextArea_BytesRoundTrip_EncodingLineEndsAndCaretKept_data() {
    QTest::addColumn<TextCase>("row");
    QTest::newRow("CP932, caret after CR LF, CR LF kept")
        << TextCase{kCp932, "あい\nう!", 8, 4, "え\n", kCp932 + "\x82\xa6\r\n"};
    QTest::newRow("CP932 extensions, UTF-8 for ä")
        << TextCase{"\x87\x40\xfb\xfc", "①髙", 2, 1, "ä", "①髙ä"};
    QTest::newRow("UTF-8 keeps its BOM, caret inside a character, LF kept")
        << TextCase{kUtf8Bom, QChar(0xFEFF) + QString("あい\n"), 7, 2, "x", kUtf8Bom + "x"};
    QTest::newRow("cut CP932 as Latin-1, kept, caret past the end")
        << TextCase{"\x82\xa0\x82", QString::fromLatin1("\x82 \x82"), 100, 3, "!", "\x82\xa0\x82!"};
  }
  void TextArea_BytesRoundTrip_EncodingLineEndsAndCaretKept() {
    QFETCH(TextCase, row);
    const auto& [bytes, shown, offset, position, added, edited] = row;
    WindowFixture f;
    f.Start();
    const auto state = [&f] {
      return std::pair(f.window.HasUnsavedEdits(), QByteArray::fromStdString(f.window.ShownText()));
    };
    f.window.ShowText(bytes.toStdString());
    QCOMPARE(f.text->toPlainText(), shown);
    QCOMPARE(state(), std::pair(false, bytes));
    f.window.PlaceCaret(static_cast<std::size_t>(offset));
    QCOMPARE(f.text->textCursor().position(), position);
    if (added.isEmpty()) return;
    f.text->moveCursor(QTextCursor::End);
    f.text->insertPlainText(added);
    QCOMPARE(state(), std::pair(true, edited));
    f.window.TextSaved();
    QCOMPARE(state(), std::pair(false, edited));
  }

  // A run's arguments (FILE stands for a clean file, CHIP for a chip file), what main does with
  // them, and how the error message begins or, for a run, the box the start shows.
  void CommandLine_EachArgumentSet_RunsOrPrintsOrRefuses_data() {
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* tag, const char* args, StartAction action,
                        const QString& expected = "") {
      QTest::newRow(tag) << QString(args) << int(action) << expected;
    };
    const StartAction run = StartAction::Run, usage = StartAction::UsageError;
    row("Qt's options pass", "-platform offscreen --reverse -style=fusion --simulate", run);
    row("faults imply simulate", "--simulate-fault replug@20,vanish@2 FILE", run,
        "[失敗 x.] プログラマとの通信に失敗しました。（送信 2/13：プログラマが切断されました"
        "（device disconnected））\r\nプログラマを接続し直して下さい。" +
            kSimulatedHint);
    row("chip implies simulate", "--simulate-chip CHIP", run);
    row("help", "--simulate --help", StartAction::Help);
    row("unknown option", "--simulated", usage, "unknown option '--simulated'");
    row("two files", "FILE FILE", usage, "more than one file given");
    row("chip not there", "--simulate-chip /nonexistent.jed", usage,
        "--simulate-chip: /nonexistent.jed: cannot open");
  }
  void CommandLine_EachArgumentSet_RunsOrPrintsOrRefuses() {
    QFETCH(QString, args);
    QFETCH(int, action);
    QFETCH(QString, expected);
    std::vector<std::string> line;
    for (QString arg : args.split(' '))
      line.push_back(arg.replace(QRegularExpression("FILE|CHIP"), Path("start.jed")).toStdString());
    const ParsedCommandLine parsed = ParseCommandLine(line);
    QCOMPARE(int(parsed.Action), action);
    if (action != int(StartAction::Run)) {
      QVERIFY2(QString::fromStdString(parsed.Message).startsWith(expected), parsed.Message.c_str());
      return;
    }
    ScriptedDialogs dialogs;  // started as main starts it
    WindowSession session(parsed.Options, dialogs);
    session.Start();
    QCOMPARE(session.Window().windowTitle(), "Gantrel（シミュレーション）");
    gantrel::SimulatedProgrammer& programmer = *session.Simulated();
    const bool file = args.contains("FILE");
    QTRY_VERIFY(programmer.ReportCount() > 0 || !file);
    QTRY_COMPARE(dialogs.Events, expected.isEmpty() ? Strings() : Strings{expected.toStdString()});
    if (args.contains("CHIP")) QCOMPARE(int(programmer.ChipImage()[0]), 0x10);  // fuse 3
    auto* text = session.Window().findChild<QPlainTextEdit*>("textArea");
    QCOMPARE(text->toPlainText().toStdString(), file ? kStartText : "");
    QVERIFY(dialogs.Unexpected == 0 && !session.Window().IsBusy());
  }

  // One file dropped loads as if chosen. Text from another program is copied, even when a move
  // is proposed; a file dropped while a command runs is refused.
  void Drop_OneFileLoads_OthersRefused() {
    WindowFixture f;
    f.Start();
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(Path("start.jed"))});
    QVERIFY(Drop(f.text->viewport(), one));
    QTRY_COMPARE(f.text->toPlainText().toStdString(), kStartText);
    QCOMPARE(f.programmer.UploadCount(), 1);
    QMimeData text;
    text.setText("moved");
    QCOMPARE(Drop(f.text->viewport(), text, Qt::ShiftModifier), Qt::CopyAction);
    QCOMPARE(f.text->toPlainText().toStdString(), "moved" + kStartText);
    QMimeData two;
    two.setUrls({one.urls().front(), one.urls().front()});
    QVERIFY(!Drop(f.text->viewport(), two));
    bool taken = true;  // the read lets events through between its slices
    QTimer::singleShot(0, this, [&] { taken = Drop(f.text->viewport(), one); });
    f.dialogs.Script = {"OK"};  // over the text moved in
    f.Trigger("actionDeviceRead");
    QTest::qWait(50);
    QVERIFY(!taken && f.programmer.UploadCount() == 1);
    QVERIFY(f.text->toPlainText().startsWith("JEDEC file") && f.Clean());
  }

  void Progress_ShowsOnlyAfterHalfASecond_InputRefusedFromTheStart() {
    // The answer to the first block of the upload comes 1.5 s late.
    const ParsedCommandLine line =
        ParseCommandLine({"--simulate-fault", "late@2:1500", dir.File("start.jed")});
    ScriptedDialogs dialogs;
    WindowSession session(line.Options, dialogs);
    auto* progress = session.Window().findChild<ProgressBox*>("progressBox");
    auto* text = session.Window().findChild<QPlainTextEdit*>("textArea");
    bool early = true, late = false;
    QString typed = "?", count;
    QTimer::singleShot(200, this, [&] {
      early = progress->isVisible();
      QTest::keyClicks(text, "x");
      typed = text->toPlainText();
    });
    QTimer::singleShot(1200, this, [&] {
      QTest::keyClick(progress, Qt::Key_Escape);  // the box has no way to be closed
      late = progress->isVisible();
      const auto* bar = progress->findChild<QProgressBar*>("progressBar");
      count = progress->Step() + QString(" %1/%2").arg(bar->value()).arg(bar->maximum());
    });
    session.Start();
    QTRY_COMPARE_WITH_TIMEOUT(session.Simulated()->UploadCount(), 1, 5000);
    QTRY_VERIFY(!session.Window().IsBusy());
    QVERIFY(!early && late && !progress->isVisible());
    QCOMPARE(count, "送信中 2/13 2/13");
    QCOMPARE(typed, "");
    QCOMPARE(text->toPlainText().toStdString(), kStartText);
  }

  // A run as main starts it, with the real file dialogs (which filter both cases of the suffix).
  // With no settings file the window opens at its default size and the first dialog where Qt's
  // opens by default; the next, load or save, opens where the last file was chosen. The next
  // run opens there too, wherever other dialogs went meanwhile, at the size and place the window
  // had when it closed.
  void Remembered_FolderAndGeometry_KeptForTheNextRun() {
    QFile::remove(QSettings("Gantrel", "Gantrel").fileName());
    const WindowOptions options = ParseCommandLine({"--simulate"}).Options;
    const QString a = Path(""), b = QString::fromStdString(other.Path().string());
    const QRect placed(40, 50, 600, 400);
    const auto choose = [](auto ask, const QString& file) {
      QString opened;
      WhenModalOpens<QFileDialog>([&opened, file](QFileDialog* dialog) {
        QCOMPARE(dialog->nameFilters(),
                 QStringList({"Fusemaps(.JED) (*.jed *.JED)", "All Files (*)"}));
        opened = dialog->directory().absolutePath();
        dialog->selectFile(file);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own is protected
      });
      ask();
      return opened;
    };
    // Qt's own dialogs remember the last folder they went to; send them elsewhere.
    const auto wander = [] { QFileDialog(nullptr, {}, QDir::rootPath()); };
    {
      QtDialogs dialogs;
      WindowSession run(options, dialogs);
      QCOMPARE(run.Window().size(), QSize(480, 325));
      run.Start();
      QVERIFY(QTest::qWaitForWindowExposed(&run.Window()));
      run.Window().setGeometry(placed);
      QTRY_COMPARE(run.Window().geometry(), placed);
      QCOMPARE(choose([&] { return dialogs.AskOpenPath(); }, a + "start.jed"), QDir::currentPath());
      wander();
      QCOMPARE(choose([&] { return dialogs.AskSavePath(); }, b + "/new.jed"),
               QDir(a).absolutePath());
      wander();
      run.Window().reject();
    }
    QtDialogs dialogs;
    WindowSession next(options, dialogs);
    QCOMPARE(next.Window().geometry(), placed);
    QCOMPARE(choose([&] { return dialogs.AskOpenPath(); }, ""), QDir(b).absolutePath());
  }

  // Under --simulate, reconnecting through the menu ends the out-of-step state that a broken
  // upload left, as a replug would: a load and 書き込み then succeed. Without it, no such menu.
  void SimulationMenu_ReconnectEndsOutOfStep_AbsentWithoutSimulate() {
    ScriptedDialogs dialogs;
    QVERIFY(!WindowSession({}, dialogs).Window().findChild<QMenu*>("menuSimulation"));
    const ParsedCommandLine line =
        ParseCommandLine({"--simulate-fault", "stop@2", dir.File("start.jed")});
    WindowSession session(line.Options, dialogs);
    const auto* menu = session.Window().findChild<QMenu*>("menuSimulation");
    QCOMPARE(menu->title() + "→" + menu->actions()[0]->text(),
             "シミュレーション→プログラマを接続し直す");
    session.Start();
    QTRY_COMPARE_WITH_TIMEOUT(dialogs.Events.size(), 1u, 5000);  // the broken upload
    QTRY_VERIFY(!session.Window().IsBusy());
    const auto trigger = [&session](const char* name) {
      session.Window().findChild<QAction*>(name)->trigger();
    };
    trigger("actionDeviceWrite");
    trigger("actionReconnect");
    dialogs.Script = {dir.File("start.jed")};
    trigger("actionJedecLoad");
    trigger("actionDeviceWrite");
    QCOMPARE(QString::fromStdString(dialogs.Events[1]),
             "[注意 !.] " + QString(gantrel::kTextOutOfStep) + kSimulatedHint);
    QCOMPARE(QString::fromStdString(dialogs.Events.back()), "[成功 -.] 書き込みに成功しました。");
    QVERIFY(dialogs.Script.empty() && dialogs.Unexpected == 0);
  }

  // The real boxes: the PES box with the focus on OK, a question with Qt's Japanese Cancel
  // that Escape answers.
  void Boxes_PesFocusOnOk_CancelInJapanese() {
    WhenModalOpens<CPes>([](CPes* box) {
      QCOMPARE(box->findChild<QLineEdit*>("pesText")->text(), "1F22L10C3");
      QCOMPARE(box->focusWidget(), box->findChild<QPushButton*>("okButton"));
    });
    QtDialogs().ShowPes("1F22L10C3");
    WhenModalOpens<QMessageBox>([](QMessageBox* box) {
      QCOMPARE(box->icon(), QMessageBox::Warning);
      QCOMPARE(box->button(QMessageBox::Cancel)->text(), "キャンセル");
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(QtDialogs().ShowMessage("?", "Gantrel", gantrel::MessageIcon::Exclamation,
                                     gantrel::MessageButtons::OkCancel),
             gantrel::MessageAnswer::Cancel);
  }
};

// The settings of the window and of Qt's dialogs go to a fresh folder that stands for the home,
// never into the real one.
int main(int argc, char* argv[]) {
  const gantrel::testing::TempDir home;
  qputenv("HOME", QByteArray::fromStdString(home.Path().string()));
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.File(".config")));
  QApplication app(argc, argv);
  app.setAttribute(Qt::AA_Use96Dpi, true);
  WindowTest test;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&test, argc, argv);
}
#include "WindowTest.moc"
