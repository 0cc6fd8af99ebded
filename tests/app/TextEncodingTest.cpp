// The text area and the bytes behind it: decoding, taking the text back unchanged or as edited,
// line ends, the fallback to UTF-8, and the caret placed at a byte offset.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QtTest>
#include <string>

#include "WindowFixture.h"

namespace {

// "あい" then CR LF, "う!" in CP932 and in UTF-8.
const std::string kCp932Lines = "\x82\xa0\x82\xa2\r\n\x82\xa4!";
const std::string kUtf8Lines = "\xe3\x81\x82\xe3\x81\x84\r\n\xe3\x81\x86!";

QString ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromLatin1(file.readAll());
}

}  // namespace

class TextEncodingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    window_ = fixture_->window.get();
    textArea_ = window_->findChild<QPlainTextEdit*>(QStringLiteral("textArea"));
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
  }

  void cleanup() {
    QCOMPARE(fixture_->dialogs.Unexpected, 0);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    fixture_.reset();
  }

  void TextArea_KeepsCrLfAsOneBlockSeparator() {
    window_->ShowText("a\r\nb\rc\nd");
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("a\nb\nc\nd"));
    QCOMPARE(textArea_->document()->blockCount(), 4);
    // Seven characters and the document's final separator: CR LF counts once.
    QCOMPARE(textArea_->document()->characterCount(), 8);
  }

  void ShowText_Utf8_DecodesAndGivesBytesBack() {
    const std::string bytes = "\xef\xbb\xbf" + kUtf8Lines;  // with a byte-order mark
    window_->ShowText(bytes);
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("\uFEFFあい\nう!"));
    QVERIFY(!window_->HasUnsavedEdits());
    QCOMPARE(window_->ShownText(), bytes);
  }

  void ShowText_Cp932_DecodesAndGivesSameBytesBack() {
    window_->ShowText(kCp932Lines);
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("あい\nう!"));
    QCOMPARE(window_->ShownText(), kCp932Lines);
  }

  void ShowText_Cp932WithExtensions_DecodesAsCp932() {
    // NEC's circled digit one and the IBM extension 髙 exist only in CP932, not in Shift_JIS.
    window_->ShowText("\x87\x40\xfb\xfc");
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("①髙"));
  }

  void ShowText_NeitherUtf8NorCp932_DecodesAsLatin1() {
    const std::string bytes = "caf\xe9 \xff\r\n";
    window_->ShowText(bytes);
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("café ÿ\n"));
    QCOMPARE(window_->ShownText(), bytes);
  }

  void ShowText_Cp932CutInTheMiddle_DecodesAsLatin1() {
    // A lead byte with nothing after it is not whole CP932 text.
    window_->ShowText("\x82\xa0\x82");
    QCOMPARE(textArea_->toPlainText().size(), 3);
    QCOMPARE(window_->ShownText(), std::string("\x82\xa0\x82"));
  }

  void ShownText_EditedCrLfText_WritesCrLf() {
    window_->ShowText("QF5892*\r\nL0000 0*\r\n");
    textArea_->moveCursor(QTextCursor::End);
    QTest::keyClicks(textArea_, QStringLiteral("C0000*"));
    QVERIFY(window_->HasUnsavedEdits());
    QCOMPARE(window_->ShownText(), std::string("QF5892*\r\nL0000 0*\r\nC0000*"));
  }

  void ShownText_EditedLfText_WritesLf() {
    window_->ShowText("QF5892*\nL0000 0*\n");
    textArea_->moveCursor(QTextCursor::End);
    QTest::keyClicks(textArea_, QStringLiteral("x"));
    QTest::keyClick(textArea_, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(window_->ShownText(), std::string("QF5892*\nL0000 0*\nx\n"));
  }

  void ShownText_EditedCp932Text_StaysCp932() {
    window_->ShowText(kCp932Lines);
    textArea_->moveCursor(QTextCursor::End);
    textArea_->insertPlainText(QStringLiteral("え"));
    QCOMPARE(window_->ShownText(), kCp932Lines + "\x82\xa6");
  }

  void ShownText_CharacterCp932CannotHold_FallsBackToUtf8() {
    window_->ShowText(kCp932Lines);
    textArea_->moveCursor(QTextCursor::End);
    textArea_->insertPlainText(QStringLiteral("ä"));
    QCOMPARE(window_->ShownText(), kUtf8Lines + "\xc3\xa4");
  }

  void ShownText_CharacterLatin1CannotHold_FallsBackToUtf8() {
    window_->ShowText("\xe9\xff");
    textArea_->moveCursor(QTextCursor::End);
    textArea_->insertPlainText(QStringLiteral("あ"));
    QCOMPARE(window_->ShownText(), std::string("\xc3\xa9\xc3\xbf\xe3\x81\x82"));
  }

  void ShownText_EditedLatin1_KeepsNoBreakSpace() {
    window_->ShowText("a\xa0z\xff");
    textArea_->moveCursor(QTextCursor::End);
    textArea_->insertPlainText(QStringLiteral("!"));
    QCOMPARE(window_->ShownText(), std::string("a\xa0z\xff!"));
  }

  void ShownText_EditUndone_GivesShownBytesAgain() {
    window_->ShowText("\x82\xa0\r\n");
    QTest::keyClicks(textArea_, QStringLiteral("x"));
    QVERIFY(window_->HasUnsavedEdits());
    textArea_->undo();
    QVERIFY(!window_->HasUnsavedEdits());
    QCOMPARE(window_->ShownText(), std::string("\x82\xa0\r\n"));
  }

  void TextSaved_AfterEdit_KeepsEditedBytesAsShown() {
    window_->ShowText(kCp932Lines);
    textArea_->moveCursor(QTextCursor::End);
    textArea_->insertPlainText(QStringLiteral("ä"));
    window_->TextSaved();
    QVERIFY(!window_->HasUnsavedEdits());
    QCOMPARE(window_->ShownText(), kUtf8Lines + "\xc3\xa4");
    // Further edits now go out in the encoding the save used.
    textArea_->insertPlainText(QStringLiteral("え"));
    QCOMPARE(window_->ShownText(), kUtf8Lines + "\xc3\xa4\xe3\x81\x88");
  }

  void PlaceCaret_AfterMultiByteCharacters_StandsOnTheCharacter_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("expected");
    QTest::newRow("utf8 after CR LF")
        << QByteArray::fromStdString(kUtf8Lines) << 11 << QStringLiteral("!");
    QTest::newRow("cp932 after CR LF")
        << QByteArray::fromStdString(kCp932Lines) << 8 << QStringLiteral("!");
    QTest::newRow("utf8 second character")
        << QByteArray::fromStdString(kUtf8Lines) << 3 << QStringLiteral("い");
    QTest::newRow("lone CR") << QByteArray("ab\rcd") << 4 << QStringLiteral("d");
    QTest::newRow("latin1") << QByteArray("\xe9\xe9\r\n\xffX") << 5 << QStringLiteral("X");
    QTest::newRow("outside the BMP") << QByteArray("\xf0\x9f\x98\x80Z") << 4 << QStringLiteral("Z");
  }

  void PlaceCaret_AfterMultiByteCharacters_StandsOnTheCharacter() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, offset);
    QFETCH(QString, expected);
    window_->ShowText(std::string_view(bytes.constData(), bytes.size()));
    window_->PlaceCaret(static_cast<std::size_t>(offset));
    QTextCursor cursor = textArea_->textCursor();
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    QCOMPARE(cursor.selectedText(), expected);
  }

  void PlaceCaret_InsideACharacter_StandsBeforeIt() {
    window_->ShowText(kUtf8Lines);
    window_->PlaceCaret(4);  // the second byte of い
    QCOMPARE(textArea_->textCursor().position(), 1);
  }

  void PlaceCaret_PastTheEnd_StandsAtTheEnd() {
    window_->ShowText("ab\r\n");
    window_->PlaceCaret(100);
    QCOMPARE(textArea_->textCursor().position(), 3);
    QVERIFY(textArea_->textCursor().atEnd());
  }

  void Save_AfterCp932Load_WritesTheFileBytesBack() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("sjis.jed"));
    const QByteArray content =
        QByteArray("\x02") +
        QByteArray::fromStdString("\x83\x65\x83\x58\x83\x67\r\n*QF5892*\r\nF0*\r\n") +
        QByteArray("\x03");
    {
      QFile file(source);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content);
    }
    fixture_->backend.SetAbsent(true);
    fixture_->dialogs.SetNextOpenPath(source);
    window_->findChild<QAction*>(QStringLiteral("actionJedecLoad"))->trigger();
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("テスト\n*QF5892*\nF0*\n"));

    const QString target = dir.filePath(QStringLiteral("copy.jed"));
    fixture_->dialogs.SetNextSavePath(target);
    window_->findChild<QAction*>(QStringLiteral("actionJedecSave"))->trigger();
    const QString saved = ReadFile(target);
    QVERIFY(saved.startsWith(QString::fromLatin1(content)));
    QCOMPARE(saved.size(), content.size() + 4);  // the four checksum digits
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
  CGantrelDlg* window_ = nullptr;
  QPlainTextEdit* textArea_ = nullptr;
};

QTEST_MAIN(TextEncodingTest)
#include "TextEncodingTest.moc"
