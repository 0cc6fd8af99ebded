// The main window over the simulated programmer and scripted boxes: menu, text area and keys,
// closing, each menu item reaching its command, and the bytes behind the text area
// (decoding, taking the text back unchanged or as edited, the caret placed at a byte offset).
#include "ProgressBox.h"
#include "WindowFixture.h"

namespace {

// "あい" then CR LF, "う!" in CP932 and in UTF-8.
const QByteArray kCp932 = "\x82\xa0\x82\xa2\r\n\x82\xa4!";
const QByteArray kUtf8 = "\xe3\x81\x82\xe3\x81\x84\r\n\xe3\x81\x86!";

// The items' texts, a pop-up's own items in parentheses; "!" marks one that is not a plain
// enabled command.
QString Describe(const QList<QAction*>& actions) {
  QStringList out;
  for (QAction* a : actions)
    out << a->text() + (a->isEnabled() && !a->isCheckable() && !a->isSeparator() ? "" : "!") +
               (a->menu() ? "(" + Describe(a->menu()->actions()) + ")" : "");
  return out.join(',');
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
  std::unique_ptr<WindowFixture> f;
  void Show(const QByteArray& bytes) { f->window.ShowText(bytes.toStdString()); }
  QByteArray Shown() { return QByteArray::fromStdString(f->window.ShownText()); }
  // Whether the text holds unsaved edits, and the bytes it stands for.
  std::pair<bool, QByteArray> Edited() { return {f->window.HasUnsavedEdits(), Shown()}; }

 private slots:
  void init() { (f = std::make_unique<WindowFixture>())->Start(); }
  void cleanup() { QVERIFY(f->Clean()); }

  void Window_HasMenuCaptionSizeAndFocusedTextArea() {
    QCOMPARE(Describe(f->window.findChild<QMenuBar*>("menuBar")->actions()),
             "ファイル(JEDEC読込,JEDEC保存),書き込み,読み込み,PES取得");
    QCOMPARE(f->window.windowTitle(), "Gantrel");
    QVERIFY(f->window.windowIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(
        f->window.windowFlags().testFlags(Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint));
    QCOMPARE(f->window.size(), QSize(480, 325));
    QVERIFY(f->link.IsOpen() && f->Events().isEmpty());
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
    QVERIFY(f->window.isVisible() && f->Events().isEmpty());
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
      const char* asked = "[Gantrel !?] 編集した内容は保存されていません。終了しますか？";
      QCOMPARE(w.Events().join(""), answer ? asked : "");
      QVERIFY(w.Clean());
    }
  }

  void Load_ShowsAndUploads_WriteBurns_SaveGivesTheFileBytesBack() {
    gantrel::testing::TempDir dir;
    // A comment in CP932, as tools on Japanese Windows write it.
    const std::string content = "\x02\x83\x65\x83\x58\x83\x67\r\n*QF5892*\r\nF0*\r\n\x03";
    gantrel::testing::WriteFileBytes(dir.File("sjis.jed"), content);
    f->dialogs.Script = {"", dir.File("sjis.jed")};
    f->Trigger("actionJedecLoad");  // cancelled: nothing changes
    QVERIFY(f->text->toPlainText().isEmpty() && f->programmer.UploadCount() == 0);
    f->Trigger("actionJedecLoad");
    QCOMPARE(f->text->toPlainText(), "テスト\n*QF5892*\nF0*\n");
    QVERIFY(f->programmer.UploadCount() == 1 && f->Boxes().isEmpty());
    f->Trigger("actionDeviceWrite");
    QCOMPARE(f->programmer.BurnCount(), 1);
    QCOMPARE(f->Boxes(), QStringList("[成功 -.] 書き込みに成功しました。"));
    f->dialogs.Script = {dir.File("copy")};
    f->Trigger("actionJedecSave");
    const std::string saved = gantrel::testing::ReadFileBytes(dir.File("copy"));  // no suffix
    QCOMPARE(saved.substr(0, content.size()), content);
    QCOMPARE(saved.size(), content.size() + 4);  // the four checksum digits
  }

  void DeviceRead_ShowsChipTextWithProgress_PesOnlyAfterwards() {
    gantrel::FuseImage image{};
    image[0] = 0x80;  // fuse 0 blown
    f->programmer.SetChipImage(image);
    auto* progress = f->window.findChild<ProgressBox*>("progressBox");
    // A timer fires while the read lets events through; the PES item must not run inside it.
    QTimer::singleShot(0, this, [this] { f->Trigger("actionPesRead"); });
    f->Trigger("actionDeviceRead");
    QVERIFY(progress->Step() == "受信中 12/12" && !progress->isVisible());
    QVERIFY(f->Events().isEmpty());
    QVERIFY(f->text->toPlainText().contains("L0000 1"));
    for (const gantrel::Report& report : f->programmer.Received()) QVERIFY(report[1] != 0x70);
    f->Trigger("actionPesRead");  // afterwards it runs
    QCOMPARE(f->Events(), QStringList("pes 1F22L10C3"));
  }

  void ShowText_DecodesAndGivesTheSameBytesBack() {
    // UTF-8 keeps its byte-order mark; CP932 includes the NEC and IBM extensions that Shift_JIS
    // lacks; Latin-1 takes the rest, also CP932 cut short (the text area shows U+00A0 as a space).
    const std::pair<QByteArray, QString> rows[] = {
        {"\xef\xbb\xbf" + kUtf8, QChar(0xFEFF) + QString("あい\nう!")},
        {kCp932, "あい\nう!"},
        {"\x87\x40\xfb\xfc", "①髙"},
        {"caf\xe9 \xff\r\n", "café ÿ\n"},
        {"\x82\xa0\x82", QString::fromLatin1("\x82 \x82")},
        {"a\r\nb\rc\nd", "a\nb\nc\nd"}};
    for (const auto& [bytes, shown] : rows) {
      Show(bytes);
      QCOMPARE(f->text->toPlainText(), shown);
      QCOMPARE(Edited(), std::pair(false, bytes));
    }
  }

  void ShownText_EditedOrSaved_KeepsLineEndsAndEncodingOrFallsBackToUtf8() {
    // Shown bytes, text added at the end, the bytes then (a no-break space stays as it was).
    const std::tuple<QByteArray, QString, QByteArray> rows[] = {
        {"QF5892*\r\nL0*\r\n", "C0*\n", "QF5892*\r\nL0*\r\nC0*\r\n"},
        {"QF5892*\nL0*\n", "x\n", "QF5892*\nL0*\nx\n"},
        {kCp932, "え", kCp932 + "\x82\xa6"},
        {kCp932, "ä", kUtf8 + "\xc3\xa4"},
        {"\xe9\xff", "あ", "\xc3\xa9\xc3\xbf\xe3\x81\x82"},
        {"a\xa0z\xff", "!", "a\xa0z\xff!"}};
    for (const auto& [bytes, added, expected] : rows) {
      Show(bytes);
      f->text->moveCursor(QTextCursor::End);
      f->text->insertPlainText(added);
      QCOMPARE(Edited(), std::pair(true, expected));
      f->text->undo();  // undone, the text gives the bytes shown again
      QCOMPARE(Edited(), std::pair(false, bytes));
      f->text->redo();  // saved, the edited bytes become the ones shown
      f->window.TextSaved();
      QCOMPARE(Edited(), std::pair(false, expected));
    }
  }

  void PlaceCaret_AtByteOffset_StandsOnThatCharacter() {
    // After CR LF; on and inside the second character; after a lone CR, Latin-1, a character
    // outside the BMP; past the end.
    const std::tuple<QByteArray, std::size_t, int> rows[] = {{kUtf8, 11, 4},
                                                             {kCp932, 8, 4},
                                                             {kUtf8, 3, 1},
                                                             {kUtf8, 4, 1},
                                                             {"ab\rcd", 4, 4},
                                                             {"\xe9\xe9\r\n\xffX", 5, 4},
                                                             {"\xf0\x9f\x98\x80Z", 4, 2},
                                                             {"ab\r\n", 100, 3}};
    for (const auto& [bytes, offset, position] : rows) {
      Show(bytes);
      f->window.PlaceCaret(offset);
      QCOMPARE(f->text->textCursor().position(), position);
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
