// Starting the window from the command line, and the ways a text can be replaced after start:
// a file named at start, a file dropped on the text area, a load or a read over unsaved edits.
#include "CommandLine.h"
#include "ProgressBox.h"
#include "WindowFixture.h"
#include "WindowSession.h"

namespace {

// A clean text setting fuse 3, and one setting fuse 5 for the simulated chip.
const std::string kStartText = "t*F0*L3 1*", kChipText = "t*F0*L5 1*";
const QString kDiscard =
    "[Gantrel !?] 編集した内容は保存されていません。\r\n編集内容を破棄して続けますか？";

gantrel::FuseImage ImageSetting(int fuse) {
  gantrel::FuseArray fuses{};
  fuses[static_cast<std::size_t>(fuse)] = 1;
  gantrel::FuseImage image{};
  gantrel::PackFuseImage(fuses, image);
  return image;
}

// Sends a drag of `data` (which it deletes) onto `target` and then its drop; whether the drop
// was taken.
bool Drop(QWidget* target, QMimeData* data) {
  const std::unique_ptr<QMimeData> owned(data);
  const QPointF at(5, 5);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

QMimeData* FileDrag(const std::string& path) {
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  return data;
}

}  // namespace

class StartTest : public QObject {
  Q_OBJECT
  gantrel::testing::TempDir dir;
  std::string Path(const char* name) { return dir.File(name); }

 private slots:
  void initTestCase() {
    gantrel::testing::WriteFileBytes(Path("start.jed"), kStartText);
    gantrel::testing::WriteFileBytes(Path("chip.jed"), kChipText);
  }
  void cleanup() { QVERIFY(QApplication::activeModalWidget() == nullptr); }

  // A run's arguments (FILE, CHIP, MISSING stand for the test's files), what main does with
  // them, and how the error message begins or, for a run, the box the start-up shows.
  void CommandLine_data() {
    QTest::addColumn<QString>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* tag, const char* args, StartAction action,
                        const QString& expected = "") {
      QTest::newRow(tag) << QString(args) << int(action) << expected;
    };
    const StartAction run = StartAction::Run, usage = StartAction::UsageError;
    const QString broken =
        "[失敗 x.] プログラマとの通信に失敗しました。（送信 2/13：プログラマが切断されました"
        "（device disconnected））\r\nプログラマを接続し直して下さい。";
    row("file at start", "--simulate FILE", run);
    row("Qt's options pass", "-platform offscreen --reverse -style=fusion --simulate", run);
    row("fault implies simulate", "--simulate-fault vanish@2 FILE", run, broken);
    row("several faults", "--simulate-fault replug@20,vanish@2 FILE", run, broken);
    row("chip implies simulate", "--simulate-chip CHIP", run);
    row("help", "--simulate --help", StartAction::Help);
    row("version", "--version", StartAction::Version);
    row("unknown option", "--simulated", usage, "unknown option '--simulated'");
    row("two files", "FILE CHIP", usage, "more than one file given");
    row("fault without value", "--simulate-fault", usage, "--simulate-fault needs a value");
    row("bad fault", "--simulate-fault vanish@2,", usage, "--simulate-fault: ");
    row("chip not there", "--simulate-chip MISSING", usage, "--simulate-chip: ");
  }
  void CommandLine() {
    QFETCH(QString, args);
    QFETCH(int, action);
    QFETCH(QString, expected);
    std::vector<std::string> line;
    for (const QString& arg : args.split(' ')) {
      const std::string text = arg.toStdString();
      line.push_back(text == "FILE"      ? Path("start.jed")
                     : text == "CHIP"    ? Path("chip.jed")
                     : text == "MISSING" ? Path("missing.jed")
                                         : text);
    }
    const ParsedCommandLine parsed = ParseCommandLine(line);
    QCOMPARE(int(parsed.Action), action);
    if (action != int(StartAction::Run)) {
      QVERIFY2(QString::fromStdString(parsed.Message).startsWith(expected), parsed.Message.c_str());
      return;
    }
    // Started as main starts it, with the boxes scripted.
    ScriptedDialogs dialogs;
    WindowSession session(parsed.Options, dialogs);
    session.Start();
    QCOMPARE(session.Window().windowTitle(), "Gantrel（シミュレーション）");
    gantrel::SimulatedProgrammer& programmer = *session.Simulated();
    const bool file = args.contains("FILE");
    QTRY_VERIFY(programmer.ReportCount() > 0 || !file);
    QTRY_COMPARE(WindowFixture::List(dialogs.Events),
                 expected.isEmpty() ? QStringList() : QStringList(expected));
    QCOMPARE(programmer.UploadCount(), file && expected.isEmpty() ? 1 : 0);
    if (programmer.UploadCount()) QCOMPARE(programmer.UploadedImage(), ImageSetting(3));
    if (args.contains("CHIP")) QCOMPARE(programmer.ChipImage(), ImageSetting(5));
    auto* text = session.Window().findChild<QPlainTextEdit*>("textArea");
    QCOMPARE(text->toPlainText().toStdString(), file ? kStartText : "");
    QVERIFY(dialogs.Unexpected == 0 && !session.Window().IsBusy());
  }

  // Cancel changes nothing and sends nothing; the read asks only once the programmer is found
  // and in step.
  void Replace_data() {
    QTest::addColumn<QString>("how");     // "load", "drop" or "read"
    QTest::addColumn<bool>("edited");     // the user typed into the text first
    QTest::addColumn<QString>("answer");  // to the question, if asked
    QTest::addColumn<bool>("replaced");
    QTest::addColumn<QString>("programmer");  // "absent", "out of step" or there
    QTest::newRow("load over edits, Cancel") << "load" << true << "Cancel" << false << "";
    QTest::newRow("load over edits, OK") << "load" << true << "OK" << true << "";
    QTest::newRow("drop") << "drop" << false << "" << true << "";
    QTest::newRow("drop over edits, Cancel") << "drop" << true << "Cancel" << false << "";
    QTest::newRow("drop over edits, OK") << "drop" << true << "OK" << true << "";
    QTest::newRow("read over edits, Cancel") << "read" << true << "Cancel" << false << "";
    QTest::newRow("read over edits, OK") << "read" << true << "OK" << true << "";
    QTest::newRow("read over edits, no programmer") << "read" << true << "" << false << "absent";
    QTest::newRow("read over edits, out of step") << "read" << true << "" << false << "out of step";
  }
  void Replace() {
    QFETCH(QString, how);
    QFETCH(bool, edited);
    QFETCH(QString, answer);
    QFETCH(bool, replaced);
    QFETCH(QString, programmer);
    WindowFixture f;
    f.Start();
    if (programmer == "absent") f.backend.SetAbsent(true), f.link.Close();
    if (programmer == "out of step") {
      f.programmer.SetFault({gantrel::SimulatedFaultKind::Stop, 1});
      f.Trigger("actionPesRead");  // breaks off
      f.dialogs.Events.clear();
    }
    const std::size_t sent = f.programmer.ReportCount();
    if (edited) QTest::keyClicks(f.text, "typed");
    if (how == "load") f.dialogs.Script.push_back(Path("start.jed"));
    if (!answer.isEmpty()) f.dialogs.Script.push_back(answer.toStdString());
    if (how == "drop") QVERIFY(Drop(f.text->viewport(), FileDrag(Path("start.jed"))));
    if (how != "drop") f.Trigger(how == "load" ? "actionJedecLoad" : "actionDeviceRead");
    QStringList events;
    if (how == "load") events << "open";
    if (edited && programmer.isEmpty()) events << kDiscard;
    if (programmer == "absent")
      events << "[注意 !.] プログラマが見つかりません。接続を確認して下さい。";
    if (programmer == "out of step")
      events
          << "[注意 !.] "
             "プログラマとの前回の通信が途中で失敗しました。\r\nプログラマを接続し直して下さい。";
    QTRY_COMPARE(f.Events(), events);
    QTRY_COMPARE(f.text->toPlainText() != (edited ? "typed" : ""), replaced);
    QCOMPARE(f.window.HasUnsavedEdits(), !replaced);
    QCOMPARE(f.programmer.ReportCount() - sent, replaced ? (how == "read" ? 12u : 13u) : 0u);
    QVERIFY(f.Clean());
  }

  void Drop_TextMovesWithinTheArea_SeveralFilesOrOneDuringACommandAreRefused() {
    WindowFixture f;
    f.Start();
    auto* text = new QMimeData;
    text->setText("moved");
    QVERIFY(Drop(f.text->viewport(), text));
    QCOMPARE(f.text->toPlainText(), "moved");
    QMimeData* two = FileDrag(Path("start.jed"));
    two->setUrls(two->urls() + two->urls());
    QVERIFY(!Drop(f.text->viewport(), two));  // two files: neither loaded nor inserted
    QCOMPARE(f.text->toPlainText(), "moved");
    // The read lets events through between its slices; a file dropped meanwhile is refused.
    bool taken = true;
    QTimer::singleShot(0, this,
                       [&] { taken = Drop(f.text->viewport(), FileDrag(Path("start.jed"))); });
    f.dialogs.Script = {"OK"};
    f.Trigger("actionDeviceRead");
    QVERIFY(!taken);
    QTest::qWait(50);
    QVERIFY(f.text->toPlainText().startsWith("JEDEC file") && f.programmer.UploadCount() == 0);
    QVERIFY(f.Clean());
  }

  void Progress_ShowsOnlyAfterHalfASecond_InputRefusedFromTheStart() {
    // The answer to the first block of the upload comes 1.5 s late.
    const ParsedCommandLine line =
        ParseCommandLine({"--simulate-fault", "late@2:1500", Path("start.jed")});
    ScriptedDialogs dialogs;
    WindowSession session(line.Options, dialogs);
    auto* progress = session.Window().findChild<ProgressBox*>("progressBox");
    auto* text = session.Window().findChild<QPlainTextEdit*>("textArea");
    bool early = true, late = false;
    QString typed = "?";
    QTimer::singleShot(200, this, [&] {
      early = progress->isVisible();
      QTest::keyClicks(text, "x");
      typed = text->toPlainText();
    });
    QTimer::singleShot(1200, this, [&] { late = progress->isVisible(); });
    session.Start();
    QTRY_COMPARE_WITH_TIMEOUT(session.Simulated()->UploadCount(), 1, 5000);
    QTRY_VERIFY(!session.Window().IsBusy());
    QVERIFY(!early && late && !progress->isVisible());
    QCOMPARE(typed, "");
    QCOMPARE(text->toPlainText().toStdString(), kStartText);
    QVERIFY(dialogs.Events.empty());
  }
};

QTEST_MAIN(StartTest)
#include "StartTest.moc"
