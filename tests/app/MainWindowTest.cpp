// The main window: menu, text area and keys, closing, resizing, and each menu item reaching its
// command over the simulated programmer.
#include "ProgressBox.h"
#include "WindowFixture.h"

using gantrel::testing::ReadFileBytes;

namespace {

const std::string kSample = gantrel::testing::SamplePath("Herzh__Gal22v10__compuerta.jed");

// The items' texts, a pop-up's own items in parentheses; "!" marks one that is not a plain
// enabled command.
QString Describe(const QList<QAction*>& actions) {
  QStringList out;
  for (QAction* a : actions) {
    const bool plain = a->isEnabled() && !a->isCheckable() && !a->isSeparator();
    out << a->text() + (plain ? "" : "!") +
               (a->menu() ? "(" + Describe(a->menu()->actions()) + ")" : "");
  }
  return out.join(',');
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  std::unique_ptr<WindowFixture> f;

 private slots:
  void init() {
    f = std::make_unique<WindowFixture>();
    f->Start();
  }
  void cleanup() { QVERIFY(f->Clean()); }

  void Window_HasMenuCaptionSizeAndFocusedTextArea() {
    QCOMPARE(Describe(f->window.findChild<QMenuBar*>("menuBar")->actions()),
             "ファイル(JEDEC読込,JEDEC保存),書き込み,読み込み,PES取得");
    QCOMPARE(f->window.windowTitle(), "Gantrel");
    QVERIFY(f->window.windowIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(
        f->window.windowFlags().testFlags(Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint));
    QCOMPARE(f->window.size(), QSize(480, 325));
    QVERIFY(f->link.IsOpen() && f->dialogs.Messages.isEmpty());
    QVERIFY(!f->text->isReadOnly() && f->text->toPlainText().isEmpty());
    QCOMPARE(f->text->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(f->text->verticalScrollBar()->isVisible() &&
            f->text->horizontalScrollBar()->isVisible());
    QCOMPARE(f->window.focusWidget(), f->text);
  }

  void Enter_InsertsNothing_CtrlEnterBreaksTheLine() {
    QTest::keyClicks(f->text, "ab");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(f->text, key);
    QTest::keyClick(f->text, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(f->text->toPlainText(), "ab");
    QTest::keyClick(f->text, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(f->text, "c");
    QCOMPARE(f->text->toPlainText(), "ab\nc");
    QVERIFY(f->window.isVisible() && f->dialogs.Messages.isEmpty());
  }

  void Closing_AsksOnlyWithUnsavedEdits() {
    enum State { Untouched, Shown, Typed, Saved };
    // The state, Escape (else the close box), the answer to the question, and whether it closes.
    const std::tuple<State, bool, const char*, bool> rows[] = {
        {Untouched, true, nullptr, true}, {Shown, true, nullptr, true},
        {Typed, true, "Cancel", false},   {Typed, false, "Cancel", false},
        {Typed, false, "OK", true},       {Saved, false, nullptr, true}};
    for (const auto& [state, escape, answer, closes] : rows) {
      WindowFixture w;
      w.Start();
      if (state == Shown) w.window.ShowText("QF5892*\r\n");
      if (state >= Typed) QTest::keyClicks(w.text, "x");
      if (state == Saved) w.window.TextSaved();
      if (answer) w.dialogs.Script = {answer};
      escape ? QTest::keyClick(w.text, Qt::Key_Escape) : void(w.window.close());
      QCOMPARE(w.window.isVisible(), !closes);
      if (closes) QCOMPARE(w.window.result(), int(QDialog::Rejected));
      if (state >= Typed) QCOMPARE(w.text->toPlainText(), "x");
      const char* asked =
          "Gantrel|編集した内容は保存されていません。終了しますか？|Exclamation|OkCancel";
      QCOMPARE(w.dialogs.Messages.join(""), answer ? asked : "");
      QVERIFY(w.Clean());
    }
  }

  void TextArea_FillsClientAreaAfterEveryResize() {
    auto* bar = f->window.findChild<QMenuBar*>("menuBar");
    for (const QSize size : {QSize(480, 325), QSize(900, 700), QSize(220, 140), QSize()}) {
      size.isValid() ? f->window.resize(size) : f->window.showMaximized();
      QTRY_VERIFY(size.isValid() ? f->window.size() == size : f->window.isMaximized());
      const int w = f->window.width(), h = f->window.height();
      QTRY_COMPARE(bar->geometry(), QRect(0, 0, w, bar->height()));
      QTRY_COMPARE(f->text->geometry(), QRect(0, bar->height(), w, h - bar->height()));
    }
  }

  void LoadShowsAndUploads_CancelChangesNothing_WriteBurns() {
    f->dialogs.Script = {"", QString::fromStdString(kSample)};
    f->Trigger("actionJedecLoad");
    QVERIFY(f->text->toPlainText().isEmpty() && f->programmer.UploadCount() == 0);
    f->Trigger("actionJedecLoad");
    QVERIFY(f->programmer.UploadCount() == 1 && f->dialogs.Messages.isEmpty());
    // The text shown is what lies between the file's STX and ETX.
    const std::string bytes = ReadFileBytes(kSample);
    QCOMPARE(f->window.ShownText(), bytes.substr(1, bytes.find('\x03') - 1));
    QVERIFY(f->text->toPlainText().contains("QF5892*"));
    f->Trigger("actionDeviceWrite");
    QCOMPARE(f->programmer.BurnCount(), 1);
    QCOMPARE(f->dialogs.Messages, QStringList("成功|書き込みに成功しました。|None|Ok"));
  }

  void JedecSave_WritesTheFramedTextUnderTheNameGiven() {
    gantrel::testing::TempDir dir;
    f->window.ShowText("QF5892*\r\nF0*\r\n");
    f->dialogs.Script = {QString::fromStdString(dir.File("out"))};
    f->Trigger("actionJedecSave");
    const std::string saved = ReadFileBytes(dir.File("out"));
    QCOMPARE(saved.substr(0, 16), std::string("\x02QF5892*\r\nF0*\r\n\x03"));
    QCOMPARE(saved.size(), std::size_t(16 + 4));
  }

  void WithoutProgrammer_StartsSilently_WriteWarnsAndBurnsNothing() {
    WindowFixture w;
    w.backend.SetAbsent(true);
    w.Start();
    QVERIFY(w.window.isVisible() && !w.link.IsOpen() && w.dialogs.Messages.isEmpty());
    w.Trigger("actionDeviceWrite");
    QCOMPARE(w.programmer.BurnCount(), 0);
    QCOMPARE(w.dialogs.Messages,
             QStringList("注意|プログラマが見つかりません。接続を確認して下さい。|Exclamation|Ok"));
  }

  void DeviceRead_ShowsChipTextWithProgress_NoSecondCommandMeanwhile() {
    gantrel::FuseImage image{};
    image[0] = 0x80;  // fuse 0 blown
    f->programmer.SetChipImage(image);
    auto* progress = f->window.findChild<ProgressBox*>("progressBox");
    // A timer fires while the read lets events through; the PES item must not run inside it.
    QTimer::singleShot(0, this, [this] { f->Trigger("actionPesRead"); });
    f->Trigger("actionDeviceRead");
    QVERIFY(progress->Step() == "受信中 12/12" && !progress->isVisible());
    QVERIFY(f->dialogs.Messages.isEmpty() && f->dialogs.PesShown.isEmpty());
    QVERIFY(f->text->toPlainText().contains("L0000 1"));
    for (const gantrel::Report& report : f->programmer.Received()) QVERIFY(report[1] != 0x70);
  }

  void PesRead_ShowsTheSignature_OrTheFailureWhenTheProgrammerStops() {
    QVERIFY(f->programmer.SetPes("ATF22LV10"));
    f->Trigger("actionPesRead");
    QCOMPARE(f->dialogs.PesShown, QStringList("ATF22LV10"));
    f->programmer.SetFault(
        {gantrel::SimulatedFaultKind::Stop, f->programmer.Received().size() + 1});
    f->Trigger("actionPesRead");
    QCOMPARE(f->dialogs.PesShown.size(), 1);  // no second PES box
    QCOMPARE(f->dialogs.Messages.size(), 1);
    QVERIFY(f->dialogs.Messages[0].startsWith("失敗|プログラマとの通信に失敗しました。"));
    QVERIFY(f->dialogs.Messages[0].endsWith("|Error|Ok"));
    QVERIFY(!f->window.findChild<QDialog*>("progressBox")->isVisible());
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
