#include "QtDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "CPes.h"
#include "StoredSettings.h"

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtDialogs::QtDialogs() : folder_(StoredSettings::Folder()) {}

std::optional<std::string> QtDialogs::Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  folder_ = QFileInfo(path).absolutePath();
  StoredSettings::KeepFolderOf(path);
  return path.toStdString();
}

QString QtDialogs::FileFilter() {
  // With HideNameFilterDetails the labels read "Fusemaps(.JED)" and "All Files"; the
  // patterns in the trailing parentheses are what Qt matches. A native dialog may match
  // case-sensitively, hence both spellings of the suffix.
  return QStringLiteral("Fusemaps(.JED) (*.jed *.JED);;All Files (*)");
}

std::optional<std::string> QtDialogs::AskOpenPath() {
  return Chosen(QFileDialog::getOpenFileName(parent_, QString(), folder_, FileFilter(), nullptr,
                                             QFileDialog::HideNameFilterDetails));
}

std::optional<std::string> QtDialogs::AskSavePath() {
  // A save dialog asks before it replaces a file and, with no default suffix, keeps the name
  // exactly as typed.
  return Chosen(QFileDialog::getSaveFileName(parent_, QString(), folder_, FileFilter(), nullptr,
                                             QFileDialog::HideNameFilterDetails));
}

gantrel::MessageAnswer QtDialogs::ShowMessage(std::string_view text, std::string_view title,
                                              gantrel::MessageIcon icon,
                                              gantrel::MessageButtons buttons) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == gantrel::MessageIcon::Exclamation) boxIcon = QMessageBox::Warning;
  if (icon == gantrel::MessageIcon::Error) boxIcon = QMessageBox::Critical;
  const bool withCancel = buttons == gantrel::MessageButtons::OkCancel;
  QMessageBox box(boxIcon, FromUtf8(title), FromUtf8(text),
                  withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent_);
  box.setDefaultButton(QMessageBox::Ok);
  if (withCancel) box.setEscapeButton(QMessageBox::Cancel);
  const int pressed = box.exec();
  return pressed == QMessageBox::Ok ? gantrel::MessageAnswer::Ok : gantrel::MessageAnswer::Cancel;
}

void QtDialogs::ShowPes(std::string_view signature) {
  CPes box(FromUtf8(signature), parent_);
  box.exec();
}
