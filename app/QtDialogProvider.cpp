#include "QtDialogProvider.h"

#include <QFileDialog>
#include <QMessageBox>

#include "CPes.h"

QString QtDialogProvider::FileFilter() {
  // With HideNameFilterDetails the labels read "Fusemaps(.JED)" and "All Files"; the
  // patterns in the trailing parentheses are what Qt matches.
  return QStringLiteral("Fusemaps(.JED) (*.jed);;All Files (*)");
}

std::optional<QString> QtDialogProvider::AskOpenPath(QWidget* parent) {
  const QString path = QFileDialog::getOpenFileName(parent, QString(), QString(), FileFilter(),
                                                    nullptr, QFileDialog::HideNameFilterDetails);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtDialogProvider::AskSavePath(QWidget* parent) {
  // A save dialog asks before it replaces a file and, with no default suffix, keeps the name
  // exactly as typed.
  const QString path = QFileDialog::getSaveFileName(parent, QString(), QString(), FileFilter(),
                                                    nullptr, QFileDialog::HideNameFilterDetails);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

gantrel::MessageAnswer QtDialogProvider::ShowMessage(QWidget* parent, const QString& text,
                                                     const QString& title,
                                                     gantrel::MessageIcon icon,
                                                     gantrel::MessageButtons buttons) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == gantrel::MessageIcon::Exclamation) boxIcon = QMessageBox::Warning;
  if (icon == gantrel::MessageIcon::Error) boxIcon = QMessageBox::Critical;
  const bool withCancel = buttons == gantrel::MessageButtons::OkCancel;
  QMessageBox box(boxIcon, title, text,
                  withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent);
  box.setDefaultButton(QMessageBox::Ok);
  if (withCancel) box.setEscapeButton(QMessageBox::Cancel);
  const int pressed = box.exec();
  return pressed == QMessageBox::Ok ? gantrel::MessageAnswer::Ok : gantrel::MessageAnswer::Cancel;
}

void QtDialogProvider::ShowPes(QWidget* parent, const QString& signature) {
  CPes box(signature, parent);
  box.exec();
}
