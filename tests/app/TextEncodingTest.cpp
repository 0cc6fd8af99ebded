// The text area and the bytes behind it: decoding, taking the text back unchanged or as edited,
// line ends, the fallback to UTF-8, and the caret placed at a byte offset.
#include "WindowFixture.h"

namespace {

// "あい" then CR LF, "う!" in CP932 and in UTF-8.
const QByteArray kCp932 = "\x82\xa0\x82\xa2\r\n\x82\xa4!";
const QByteArray kUtf8 = "\xe3\x81\x82\xe3\x81\x84\r\n\xe3\x81\x86!";

}  // namespace

class TextEncodingTest : public QObject {
  Q_OBJECT
  WindowFixture f;  // one window throughout: each ShowText starts afresh

  void Show(const QByteArray& bytes) { f.window.ShowText(bytes.toStdString()); }
  QByteArray Shown() { return QByteArray::fromStdString(f.window.ShownText()); }
  void Append(const QString& text) {
    f.text->moveCursor(QTextCursor::End);
    f.text->insertPlainText(text);
  }

 private slots:
  void initTestCase() { f.Start(); }
  void cleanup() { QVERIFY(f.Clean()); }

  void ShowText_DecodesAndGivesTheSameBytesBack() {
    const std::pair<QByteArray, QString> rows[] = {
        {"\xef\xbb\xbf" + kUtf8,
         QChar(0xFEFF) + QString("あい\nう!")},  // the byte-order mark stays
        {kCp932, "あい\nう!"},
        {"\x87\x40\xfb\xfc", "①髙"},  // NEC and IBM extensions: CP932 only, not Shift_JIS
        {"caf\xe9 \xff\r\n", "café ÿ\n"},
        {"\x82\xa0\x82",
         QString::fromLatin1("\x82 \x82")},  // cut short: Latin-1 (U+00A0 reads as a space)
        {"a\r\nb\rc\nd", "a\nb\nc\nd"}};
    for (const auto& [bytes, shown] : rows) {
      Show(bytes);
      QCOMPARE(f.text->toPlainText(), shown);
      QVERIFY(!f.window.HasUnsavedEdits());
      QCOMPARE(Shown(), bytes);
    }
  }

  void ShownText_Edited_KeepsLineEndsAndEncodingOrFallsBackToUtf8() {
    const struct {
      QByteArray bytes;
      QString added;
      QByteArray expected;
    } rows[] = {{"QF5892*\r\nL0*\r\n", "C0*\n", "QF5892*\r\nL0*\r\nC0*\r\n"},
                {"QF5892*\nL0*\n", "x\n", "QF5892*\nL0*\nx\n"},
                {kCp932, "え", kCp932 + "\x82\xa6"},
                {kCp932, "ä", kUtf8 + "\xc3\xa4"},
                {"\xe9\xff", "あ", "\xc3\xa9\xc3\xbf\xe3\x81\x82"},
                {"a\xa0z\xff", "!", "a\xa0z\xff!"}};  // the no-break space stays
    for (const auto& row : rows) {
      Show(row.bytes);
      Append(row.added);
      QVERIFY(f.window.HasUnsavedEdits());
      QCOMPARE(Shown(), row.expected);
      f.text->undo();  // undone, the text gives the bytes shown again
      QVERIFY(!f.window.HasUnsavedEdits());
      QCOMPARE(Shown(), row.bytes);
    }
  }

  void TextSaved_AfterEdit_KeepsEditedBytesAndTheirEncoding() {
    Show(kCp932);
    Append("ä");
    f.window.TextSaved();
    QVERIFY(!f.window.HasUnsavedEdits());
    QCOMPARE(Shown(), kUtf8 + "\xc3\xa4");
    Append("え");  // goes out in UTF-8 now, as saved
    QCOMPARE(Shown(), kUtf8 + "\xc3\xa4\xe3\x81\x88");
  }

  void PlaceCaret_AtByteOffset_StandsOnThatCharacter() {
    const std::tuple<QByteArray, std::size_t, int> rows[] = {
        {kUtf8, 11, 4},
        {kCp932, 8, 4},  // after CR LF
        {kUtf8, 3, 1},
        {kUtf8, 4, 1},  // on and inside the second character
        {"ab\rcd", 4, 4},
        {"\xe9\xe9\r\n\xffX", 5, 4},
        {"\xf0\x9f\x98\x80Z", 4, 2},
        {"ab\r\n", 100, 3}};  // past the end
    for (const auto& [bytes, offset, position] : rows) {
      Show(bytes);
      f.window.PlaceCaret(offset);
      QCOMPARE(f.text->textCursor().position(), position);
    }
  }

  void Save_AfterCp932Load_WritesTheFileBytesBack() {
    gantrel::testing::TempDir dir;
    const std::string content = "\x02\x83\x65\x83\x58\x83\x67\r\n*QF5892*\r\nF0*\r\n\x03";
    gantrel::testing::WriteFileBytes(dir.File("sjis.jed"), content);
    f.dialogs.Script = {QString::fromStdString(dir.File("sjis.jed"))};
    f.Trigger("actionJedecLoad");
    QCOMPARE(f.text->toPlainText(), QString("テスト\n*QF5892*\nF0*\n"));
    f.dialogs.Script = {QString::fromStdString(dir.File("copy.jed"))};
    f.Trigger("actionJedecSave");
    const std::string saved = gantrel::testing::ReadFileBytes(dir.File("copy.jed"));
    QCOMPARE(saved.substr(0, content.size()), content);
    QCOMPARE(saved.size(), content.size() + 4);  // the four checksum digits
    QVERIFY(f.dialogs.Messages.isEmpty());
  }
};

QTEST_MAIN(TextEncodingTest)
#include "TextEncodingTest.moc"
