// The real modal boxes: QMessageBox, QFileDialog and CPes, modal to the window given. Both file
// dialogs open in the folder of the last file opened or saved, in this run or an earlier one.
#pragma once

#include <QString>

#include "Dialogs.h"

class QWidget;

class QtDialogs : public gantrel::Dialogs {
 public:
  // The filter of both file dialogs: JEDEC files first, then every file.
  static QString FileFilter();

  // Starts in the folder stored by an earlier run, if any.
  QtDialogs();

  // The window the boxes belong to (none: they stand alone).
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> AskOpenPath() override;
  std::optional<std::string> AskSavePath() override;
  gantrel::MessageAnswer ShowMessage(std::string_view text, std::string_view title,
                                     gantrel::MessageIcon icon,
                                     gantrel::MessageButtons buttons) override;
  void ShowPes(std::string_view signature) override;

 private:
  // Remembers the folder of a path chosen (and stores it for later runs) and passes it on.
  std::optional<std::string> Chosen(const QString& path);

  QWidget* parent_ = nullptr;
  // Where the next file dialog opens; empty for the dialog's own default.
  QString folder_;
};
