// The real boxes: the PES box, the progress box, and the Qt message boxes and file dialogs
// behind QtDialogProvider, driven from inside their own modal loops.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <functional>

#include "AppResources.h"
#include "CPes.h"
#include "ProgressBox.h"
#include "QtDialogProvider.h"

namespace {

// Runs `inspect` on the modal box as soon as its loop runs. Whatever `inspect` does, even when
// a check in it fails, the box is closed afterwards, so no test waits on an open loop.
void WhenModalOpens(std::function<void(QWidget*)> inspect) {
  QTimer::singleShot(0, qApp, [inspect] {
    QPointer<QWidget> modal = QApplication::activeModalWidget();
    QVERIFY(modal != nullptr);
    inspect(modal);
    if (auto* dialog = qobject_cast<QDialog*>(modal.data()); dialog && dialog->isVisible()) {
      dialog->reject();
    }
  });
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(AppResources::InstallJapaneseTranslation(*qApp));
  }

  void cleanup() { QVERIFY(QApplication::activeModalWidget() == nullptr); }

  void Pes_ShowsSignatureReadOnlyInFixedBox() {
    CPes box(QStringLiteral("1F22L10C3"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.windowTitle(), QStringLiteral("PES"));
    auto* field = box.findChild<QLineEdit*>(QStringLiteral("pesText"));
    QVERIFY(field != nullptr);
    QCOMPARE(field->text(), QStringLiteral("1F22L10C3"));
    QVERIFY(field->isReadOnly());
    QTest::keyClicks(field, QStringLiteral("x"));
    QCOMPARE(field->text(), QStringLiteral("1F22L10C3"));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("okButton"));
    QVERIFY(ok != nullptr);
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(box.minimumSize(), box.maximumSize());  // fixed size
    // The whole signature fits in the field without scrolling.
    QVERIFY(field->width() > field->fontMetrics().horizontalAdvance(field->text()));
  }

  void Pes_EscapeCloses() {
    CPes box(QStringLiteral("ABC"));
    box.open();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Rejected));
  }

  void Pes_OkAndEnterClose() {
    CPes box(QStringLiteral("ABC"));
    box.open();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(box.findChild<QLineEdit*>(QStringLiteral("pesText")), Qt::Key_Return);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }

  void Pes_ThroughProvider_ShowsSignatureUntilClosed() {
    QString seen;
    WhenModalOpens([&seen](QWidget* modal) {
      auto* box = qobject_cast<CPes*>(modal);
      QVERIFY(box != nullptr);
      seen = box->PesText();
      box->reject();
    });
    QtDialogProvider().ShowPes(nullptr, QStringLiteral("IHGFEDCBA"));
    QCOMPARE(seen, QStringLiteral("IHGFEDCBA"));
  }

  void Progress_IgnoresEscapeAndCloseBox() {
    QWidget owner;
    owner.show();
    ProgressBox box(&owner);
    box.ShowStep(QStringLiteral("受信中 3/12"));
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.Step(), QStringLiteral("受信中 3/12"));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(box.isVisible());
    QVERIFY(!box.close());
    QVERIFY(box.isVisible());
    QVERIFY(box.findChildren<QPushButton*>().isEmpty());  // no Cancel
    box.hide();
  }

  void Message_OkCancelError_HasTitleIconAndJapaneseButtons() {
    WhenModalOpens([](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      QCOMPARE(box->windowTitle(), QStringLiteral("失敗"));
      QCOMPARE(box->text(), QStringLiteral("ファイルを保存できませんでした。"));
      QCOMPARE(box->icon(), QMessageBox::Critical);
      QCOMPARE(box->button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
      QVERIFY(box->button(QMessageBox::Ok) != nullptr);
      box->button(QMessageBox::Cancel)->click();
    });
    const gantrel::MessageAnswer answer = QtDialogProvider().ShowMessage(
        nullptr, QStringLiteral("ファイルを保存できませんでした。"), QStringLiteral("失敗"),
        gantrel::MessageIcon::Error, gantrel::MessageButtons::OkCancel);
    QCOMPARE(answer, gantrel::MessageAnswer::Cancel);
  }

  void Message_OkOnlyExclamation_AnswersOk() {
    WhenModalOpens([](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      QCOMPARE(box->icon(), QMessageBox::Warning);
      QCOMPARE(box->buttons().size(), 1);
      QTest::keyClick(box, Qt::Key_Escape);
    });
    const gantrel::MessageAnswer answer = QtDialogProvider().ShowMessage(
        nullptr, QStringLiteral("t"), QStringLiteral("注意"), gantrel::MessageIcon::Exclamation,
        gantrel::MessageButtons::Ok);
    QCOMPARE(answer, gantrel::MessageAnswer::Ok);
  }

  void Message_NoIcon_ShowsNone() {
    WhenModalOpens([](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      QCOMPARE(box->icon(), QMessageBox::NoIcon);
      box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(QtDialogProvider().ShowMessage(nullptr, QStringLiteral("t"), QStringLiteral("Gantrel"),
                                            gantrel::MessageIcon::None,
                                            gantrel::MessageButtons::OkCancel),
             gantrel::MessageAnswer::Ok);
  }

  void OpenDialog_ShowsTheTwoFiltersByName() {
    WhenModalOpens([](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
      QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
      auto* filters = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(filters != nullptr);
      QCOMPARE(filters->count(), 2);
      QCOMPARE(filters->itemText(0).trimmed(), QStringLiteral("Fusemaps(.JED)"));
      QCOMPARE(filters->itemText(1).trimmed(), QStringLiteral("All Files"));
      // The labels hide the patterns, but the patterns are the ones matched.
      QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("Fusemaps(.JED) (*.jed)"),
                                                   QStringLiteral("All Files (*)")}));
      dialog->reject();
    });
    QCOMPARE(QtDialogProvider().AskOpenPath(nullptr), std::optional<QString>());
  }

  void SaveDialog_IsASaveDialogThatConfirmsAndAddsNoSuffix() {
    WhenModalOpens([](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
      QVERIFY(dialog->defaultSuffix().isEmpty());
      QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
      QVERIFY(dialog->testOption(QFileDialog::HideNameFilterDetails));
      dialog->reject();
    });
    QCOMPARE(QtDialogProvider().AskSavePath(nullptr), std::optional<QString>());
  }

  void SaveDialog_TypedName_ComesBackUnchanged() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("design"));
    WhenModalOpens([&path](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog != nullptr);
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(QtDialogProvider().AskSavePath(nullptr), std::optional<QString>(path));
  }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
