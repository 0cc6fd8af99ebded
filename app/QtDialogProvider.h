// The real modal boxes: QMessageBox, QFileDialog and CPes.
#pragma once

#include "DialogProvider.h"

class QtDialogProvider : public DialogProvider {
 public:
  // The filter of both file dialogs: JEDEC files first, then every file.
  static QString FileFilter();

  std::optional<QString> AskOpenPath(QWidget* parent) override;
  std::optional<QString> AskSavePath(QWidget* parent) override;
  gantrel::MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                     gantrel::MessageIcon icon,
                                     gantrel::MessageButtons buttons) override;
  void ShowPes(QWidget* parent, const QString& signature) override;
};
