// Each menu item reaches its command: driven by object name over the simulated programmer, with
// the boxes answered through the scripted dialogs.
#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QtTest>

#include "WindowFixture.h"

#ifndef GANTREL_SAMPLES_DIR
#error "GANTREL_SAMPLES_DIR must name the folder of the sample JEDEC files"
#endif

namespace {

const QString kSample = QStringLiteral(GANTREL_SAMPLES_DIR "/Herzh__Gal22v10__compuerta.jed");

// Counts the times a widget is shown.
class ShowCounter : public QObject {
 public:
  int Shows = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) ++Shows;
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

class MenuCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    window_ = fixture_->window.get();
    textArea_ = window_->findChild<QPlainTextEdit*>(QStringLiteral("textArea"));
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTRY_COMPARE(fixture_->backend.DiscoveryCount(), 1);
  }

  void cleanup() {
    QCOMPARE(fixture_->dialogs.Unexpected, 0);
    QVERIFY(fixture_->dialogs.AllAnswersUsed());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(!window_->IsBusy());
    fixture_.reset();
  }

  void JedecLoad_ShowsFileAndUploadsIt() {
    QFile file(kSample);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    fixture_->dialogs.SetNextOpenPath(kSample);
    Trigger("actionJedecLoad");
    QCOMPARE(fixture_->dialogs.OpenDialogs, 1);
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
    QCOMPARE(fixture_->programmer.UploadCount(), 1);
    QVERIFY(window_->GetCommands().State().JedecLoaded);
    // The text shown is what lies between the file's STX and ETX.
    const qsizetype etx = bytes.indexOf('\x03');
    QVERIFY(bytes.startsWith('\x02') && etx > 0);
    QCOMPARE(window_->ShownText(), bytes.mid(1, etx - 1).toStdString());
    QVERIFY(textArea_->toPlainText().contains(QStringLiteral("QF5892*")));
  }

  void JedecLoad_Cancelled_ChangesNothing() {
    fixture_->dialogs.SetNextOpenPath(std::nullopt);
    Trigger("actionJedecLoad");
    QCOMPARE(fixture_->programmer.UploadCount(), 0);
    QVERIFY(textArea_->toPlainText().isEmpty());
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void JedecSave_WritesTheFramedText() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    window_->ShowText("QF5892*\r\nF0*\r\n");
    const QString target = dir.filePath(QStringLiteral("out"));
    fixture_->dialogs.SetNextSavePath(target);
    Trigger("actionJedecSave");
    QCOMPARE(fixture_->dialogs.SaveDialogs, 1);
    QFile saved(target);  // exactly the name given: no extension added
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray content = saved.readAll();
    QVERIFY(content.startsWith("\x02QF5892*\r\nF0*\r\n\x03"));
    QCOMPARE(content.size(), 2 + 14 + 4);
  }

  void DeviceWrite_AfterLoad_BurnsAndReportsSuccess() {
    fixture_->dialogs.SetNextOpenPath(kSample);
    Trigger("actionJedecLoad");
    Trigger("actionDeviceWrite");
    QCOMPARE(fixture_->programmer.BurnCount(), 1);
    QCOMPARE(fixture_->dialogs.Messages.size(), 1);
    QCOMPARE(fixture_->dialogs.Messages[0].Text, QStringLiteral("書き込みに成功しました。"));
    QCOMPARE(fixture_->dialogs.Messages[0].Title, QStringLiteral("成功"));
  }

  void DeviceWrite_WithoutProgrammer_WarnsAndBurnsNothing() {
    fixture_->backend.SetAbsent(true);
    fixture_->link.Close();
    Trigger("actionDeviceWrite");
    QCOMPARE(fixture_->programmer.BurnCount(), 0);
    QCOMPARE(fixture_->dialogs.Messages.size(), 1);
    const RecordedMessage& shown = fixture_->dialogs.Messages[0];
    QCOMPARE(shown.Text, QStringLiteral("プログラマが見つかりません。接続を確認して下さい。"));
    QCOMPARE(shown.Title, QStringLiteral("注意"));
    QCOMPARE(shown.Icon, gantrel::MessageIcon::Exclamation);
  }

  void DeviceRead_ShowsChipTextWhileProgressComesAndGoes() {
    gantrel::FuseImage image{};
    image[0] = 0x80;  // fuse 0 blown
    fixture_->programmer.SetChipImage(image);
    auto* progress = window_->findChild<QDialog*>(QStringLiteral("progressBox"));
    QVERIFY(progress != nullptr);
    ShowCounter counter;
    progress->installEventFilter(&counter);

    Trigger("actionDeviceRead");
    QVERIFY(counter.Shows >= 1);
    QVERIFY(!progress->isVisible());
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
    QVERIFY(textArea_->toPlainText().contains(QStringLiteral("L0000 1")));
    QCOMPARE(window_->GetCommands().State().FuseArray[0], 1);
  }

  void DeviceRead_SecondCommandDuringExchange_DoesNotStart() {
    // A timer fires while the read lets events through; the PES item must not run inside it.
    QTimer::singleShot(0, this, [this] { Trigger("actionPesRead"); });
    Trigger("actionDeviceRead");
    QVERIFY(fixture_->dialogs.PesShown.isEmpty());
    for (const gantrel::Report& report : fixture_->programmer.Received()) {
      QVERIFY(report[1] != 0x70);  // no PES command was sent
    }
  }

  void PesRead_ShowsTheChipsSignature() {
    QVERIFY(fixture_->programmer.SetPes("ATF22LV10"));
    Trigger("actionPesRead");
    QCOMPARE(fixture_->dialogs.PesShown, QStringList{QStringLiteral("ATF22LV10")});
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void PesRead_ProgrammerGoneMidway_ShowsFailureNotTheBox() {
    gantrel::SimulatedFault fault;
    fault.Kind = gantrel::SimulatedFaultKind::Stop;
    fault.Report = 1;
    fixture_->programmer.SetFault(fault);
    Trigger("actionPesRead");
    QVERIFY(fixture_->dialogs.PesShown.isEmpty());
    QCOMPARE(fixture_->dialogs.Messages.size(), 1);
    QVERIFY(fixture_->dialogs.Messages[0].Text.startsWith(
        QStringLiteral("プログラマとの通信に失敗しました。")));
    QCOMPARE(fixture_->dialogs.Messages[0].Icon, gantrel::MessageIcon::Error);
    QVERIFY(!window_->findChild<QDialog*>(QStringLiteral("progressBox"))->isVisible());
  }

 private:
  void Trigger(const char* objectName) {
    auto* action = window_->findChild<QAction*>(QString::fromLatin1(objectName));
    QVERIFY2(action != nullptr, objectName);
    action->trigger();
  }

  std::unique_ptr<WindowFixture> fixture_;
  CGantrelDlg* window_ = nullptr;
  QPlainTextEdit* textArea_ = nullptr;
};

QTEST_MAIN(MenuCommandsTest)
#include "MenuCommandsTest.moc"
