// The main window's shape and keys: menu, text area, Enter, Escape and closing, resizing.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include "WindowFixture.h"

namespace {
const QString kUnsavedQuestion = QStringLiteral("編集した内容は保存されていません。終了しますか？");
}

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<WindowFixture>();
    window_ = fixture_->window.get();
    textArea_ = window_->findChild<QPlainTextEdit*>(QStringLiteral("textArea"));
    QVERIFY(textArea_ != nullptr);
  }

  void cleanup() {
    QCOMPARE(fixture_->dialogs.Unexpected, 0);
    QVERIFY(fixture_->dialogs.AllAnswersUsed());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    fixture_.reset();
  }

  void MenuBar_HoldsFilePopupThenThreeCommands() {
    auto* bar = window_->findChild<QMenuBar*>(QStringLiteral("menuBar"));
    QVERIFY(bar != nullptr);
    const QList<QAction*> top = bar->actions();
    QCOMPARE(top.size(), 4);
    QVERIFY(top[0]->menu() != nullptr);
    QCOMPARE(top[0]->text(), QStringLiteral("ファイル"));
    QCOMPARE(top[1]->objectName(), QStringLiteral("actionDeviceWrite"));
    QCOMPARE(top[1]->text(), QStringLiteral("書き込み"));
    QCOMPARE(top[2]->objectName(), QStringLiteral("actionDeviceRead"));
    QCOMPARE(top[2]->text(), QStringLiteral("読み込み"));
    QCOMPARE(top[3]->objectName(), QStringLiteral("actionPesRead"));
    QCOMPARE(top[3]->text(), QStringLiteral("PES取得"));
    for (int i = 1; i < 4; ++i) QVERIFY(top[i]->menu() == nullptr);

    const QList<QAction*> file = top[0]->menu()->actions();
    QCOMPARE(file.size(), 2);
    QCOMPARE(file[0]->objectName(), QStringLiteral("actionJedecLoad"));
    QCOMPARE(file[0]->text(), QStringLiteral("JEDEC読込"));
    QCOMPARE(file[1]->objectName(), QStringLiteral("actionJedecSave"));
    QCOMPARE(file[1]->text(), QStringLiteral("JEDEC保存"));

    for (QAction* action : top + file) {
      QVERIFY(action->isEnabled());
      QVERIFY(!action->isCheckable());
      QVERIFY(!action->isSeparator());
    }
  }

  void Window_HasCaptionIconFramesAndFirstSize() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Gantrel"));
    QVERIFY(!window_->windowIcon().isNull());
    QVERIFY(window_->windowIcon().availableSizes().contains(QSize(16, 16)));
    const Qt::WindowFlags flags = window_->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(window_->size(), QSize(480, 325));
    QVERIFY(window_->maximumSize().width() > 4000);  // resizable
  }

  void TextArea_EditableWithBothBarsNoWrapAndFocus() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QVERIFY(!textArea_->isReadOnly());
    QCOMPARE(textArea_->lineWrapMode(), QPlainTextEdit::NoWrap);
    QCOMPARE(textArea_->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(textArea_->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(textArea_->verticalScrollBar()->isVisible());
    QVERIFY(textArea_->horizontalScrollBar()->isVisible());
    QCOMPARE(window_->focusWidget(), textArea_);
    QVERIFY(textArea_->toPlainText().isEmpty());
  }

  void Start_WithoutProgrammer_ShowsNoMessage() {
    fixture_->backend.SetAbsent(true);
    window_->Start();
    QTRY_COMPARE(fixture_->backend.DiscoveryCount(), 1);
    QVERIFY(window_->isVisible());
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void Start_WithProgrammer_OpensItOnce() {
    window_->Start();
    QTRY_VERIFY(fixture_->link.IsOpen());
    QCOMPARE(fixture_->backend.DiscoveryCount(), 1);
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void Enter_InsertsNothingAndKeepsWindowOpen() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTest::keyClicks(textArea_, QStringLiteral("ab"));
    QTest::keyClick(textArea_, Qt::Key_Return);
    QTest::keyClick(textArea_, Qt::Key_Enter);
    QTest::keyClick(textArea_, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("ab"));
    QVERIFY(window_->isVisible());
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void CtrlEnter_BreaksTheLine() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTest::keyClicks(textArea_, QStringLiteral("a"));
    QTest::keyClick(textArea_, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(textArea_, QStringLiteral("b"));
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("a\nb"));
    QCOMPARE(textArea_->document()->blockCount(), 2);
  }

  void Escape_WithoutEdits_ClosesAtOnce() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTRY_COMPARE(fixture_->backend.DiscoveryCount(), 1);
    QTest::keyClick(textArea_, Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    QCOMPARE(window_->result(), int(QDialog::Rejected));
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void Escape_AfterShownTextOnly_ClosesAtOnce() {
    window_->Start();
    window_->ShowText("QF5892*\r\n");
    QTest::keyClick(textArea_, Qt::Key_Escape);
    QVERIFY(!window_->isVisible());
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void Escape_WithEdits_AsksAndCancelKeepsWindow() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTest::keyClicks(textArea_, QStringLiteral("x"));
    fixture_->dialogs.SetNextAnswer(gantrel::MessageAnswer::Cancel);
    QTest::keyClick(textArea_, Qt::Key_Escape);
    QVERIFY(window_->isVisible());
    QCOMPARE(textArea_->toPlainText(), QStringLiteral("x"));
    QCOMPARE(fixture_->dialogs.Messages.size(), 1);
    const RecordedMessage& asked = fixture_->dialogs.Messages[0];
    QCOMPARE(asked.Text, kUnsavedQuestion);
    QCOMPARE(asked.Title, QStringLiteral("Gantrel"));
    QCOMPARE(asked.Buttons, gantrel::MessageButtons::OkCancel);
    QCOMPARE(asked.Icon, gantrel::MessageIcon::Exclamation);
  }

  void CloseBox_WithEdits_AsksAndOkCloses() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTest::keyClicks(textArea_, QStringLiteral("x"));
    fixture_->dialogs.SetNextAnswer(gantrel::MessageAnswer::Cancel);
    QVERIFY(!window_->close());
    QVERIFY(window_->isVisible());
    fixture_->dialogs.SetNextAnswer(gantrel::MessageAnswer::Ok);
    QVERIFY(window_->close());
    QVERIFY(!window_->isVisible());
    QCOMPARE(fixture_->dialogs.Messages.size(), 2);
  }

  void Close_AfterEditsWereSaved_DoesNotAsk() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    QTest::keyClicks(textArea_, QStringLiteral("x"));
    window_->TextSaved();
    QVERIFY(window_->close());
    QVERIFY(fixture_->dialogs.Messages.isEmpty());
  }

  void TextArea_FillsClientAreaAfterEveryResize() {
    window_->Start();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
    auto* bar = window_->findChild<QMenuBar*>(QStringLiteral("menuBar"));
    const QList<QSize> sizes = {QSize(480, 325), QSize(900, 700), QSize(220, 140), QSize(640, 200)};
    for (const QSize& size : sizes) {
      window_->resize(size);
      QTRY_COMPARE(window_->size(), size);
      QTRY_COMPARE(bar->geometry().topLeft(), QPoint(0, 0));
      QCOMPARE(bar->width(), size.width());
      const int top = bar->geometry().bottom() + 1;
      QTRY_COMPARE(textArea_->geometry(), QRect(0, top, size.width(), size.height() - top));
    }
    window_->showMaximized();
    QTRY_VERIFY(window_->isMaximized());
    const int top = bar->geometry().bottom() + 1;
    QTRY_COMPARE(textArea_->geometry(), QRect(0, top, window_->width(), window_->height() - top));
  }

 private:
  std::unique_ptr<WindowFixture> fixture_;
  CGantrelDlg* window_ = nullptr;
  QPlainTextEdit* textArea_ = nullptr;
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
