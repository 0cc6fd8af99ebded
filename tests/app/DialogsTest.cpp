// The real boxes: the PES box, the progress box, and the Qt message boxes and file dialogs
// behind QtDialogs, driven from inside their own modal loops.
#include "AppResources.h"
#include "CPes.h"
#include "ProgressBox.h"
#include "QtDialogs.h"
#include "WindowFixture.h"

namespace {

// Runs `inspect` on the modal box of type T as soon as its loop runs, then closes the box if it
// is still open (even when a check failed), so no test waits on an open loop.
template <typename T, typename F>
void WhenModalOpens(F inspect) {
  QTimer::singleShot(0, qApp, [inspect] {
    QPointer<QDialog> modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (auto* box = qobject_cast<T*>(modal.data())) inspect(box);
    if (modal && modal->isVisible()) modal->reject();
    QTest::qVerify(qobject_cast<T*>(modal.data()), "box of type T", "", __FILE__, __LINE__);
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

  void Pes_ShowsSignatureReadOnlyInFixedBox_EnterAndEscapeClose() {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
      WhenModalOpens<CPes>([key](CPes* box) {
        auto* field = box->findChild<QLineEdit*>("pesText");
        auto* ok = box->findChild<QPushButton*>("okButton");
        QTest::keyClicks(field, "x");
        QCOMPARE(QStringList({box->windowTitle(), field->text(), ok->text()}),
                 QStringList({"PES", "1F22L10C3", "OK"}));
        QVERIFY(field->isReadOnly() && ok->isDefault() && box->focusWidget() == ok);
        QCOMPARE(box->minimumSize(), box->maximumSize());  // fixed size
        QVERIFY(field->width() > field->fontMetrics().horizontalAdvance(field->text()));
        QTest::keyClick(field, key);
        QVERIFY(!box->isVisible());
      });
      QtDialogs().ShowPes("1F22L10C3");
    }
  }

  void Progress_IgnoresEscapeAndCloseBox() {
    ProgressBox box(nullptr);
    box.SetStep("受信中 3/12");
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.close() && box.isVisible());
    QVERIFY(box.findChildren<QPushButton*>().isEmpty());  // no Cancel
  }

  void Message_HasTitleTextIconAndJapaneseButtons() {
    const std::pair<MessageIcon, QMessageBox::Icon> icons[] = {
        {MessageIcon::None, QMessageBox::NoIcon},
        {MessageIcon::Exclamation, QMessageBox::Warning},
        {MessageIcon::Error, QMessageBox::Critical}};
    for (const auto& pair : icons)
      for (const MessageButtons buttons : {MessageButtons::Ok, MessageButtons::OkCancel})
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
          // Return presses the default button, OK; Escape presses Cancel, or OK when alone.
          const bool withCancel = buttons == MessageButtons::OkCancel;
          WhenModalOpens<QMessageBox>([&](QMessageBox* box) {
            QCOMPARE(box->windowTitle() + "|" + box->text(),
                     "失敗|ファイルを保存できませんでした。");
            QCOMPARE(box->icon(), pair.second);
            QCOMPARE(box->buttons().size(), withCancel ? 2 : 1);
            if (withCancel) QCOMPARE(box->button(QMessageBox::Cancel)->text(), "キャンセル");
            QTest::keyClick(box, key);
          });
          const MessageAnswer answer = QtDialogs().ShowMessage("ファイルを保存できませんでした。",
                                                               "失敗", pair.first, buttons);
          QCOMPARE(answer,
                   withCancel && key == Qt::Key_Escape ? MessageAnswer::Cancel : MessageAnswer::Ok);
        }
  }

  void FileDialogs_ShowTheFiltersByName_SaveConfirmsAndAddsNoSuffix() {
    WhenModalOpens<QFileDialog>([](QFileDialog* dialog) {
      QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
      QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
      auto* filters = dialog->findChild<QComboBox*>("fileTypeCombo");
      QCOMPARE(filters->itemText(0).trimmed() + "|" + filters->itemText(1).trimmed(),
               "Fusemaps(.JED)|All Files");
      // The labels hide the patterns, but the patterns are the ones matched.
      QCOMPARE(dialog->nameFilters(),
               QStringList({"Fusemaps(.JED) (*.jed *.JED)", "All Files (*)"}));
    });
    QCOMPARE(QtDialogs().AskOpenPath(), std::optional<std::string>());
    QTemporaryDir dir;
    const QString path = dir.filePath("design");
    WhenModalOpens<QFileDialog>([&path](QFileDialog* dialog) {
      QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
      QVERIFY(dialog->defaultSuffix().isEmpty());
      QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
      QVERIFY(dialog->testOption(QFileDialog::HideNameFilterDetails));
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    QCOMPARE(QtDialogs().AskSavePath(), std::optional(path.toStdString()));
  }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
