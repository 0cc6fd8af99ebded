// The real modal boxes: QMessageBox, QFileDialog and CPes, modal to the window given.
#pragma once

#include <QString>

#include "Dialogs.h"

class QWidget;

class QtDialogs : public gantrel::Dialogs {
 public:
  // The filter of both file dialogs: JEDEC files first, then every file.
  static QString FileFilter();

  // The window the boxes belong to (none: they stand alone).
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> AskOpenPath() override;
  std::optional<std::string> AskSavePath() override;
  gantrel::MessageAnswer ShowMessage(std::string_view text, std::string_view title,
                                     gantrel::MessageIcon icon,
                                     gantrel::MessageButtons buttons) override;
  void ShowPes(std::string_view signature) override;

 private:
  QWidget* parent_ = nullptr;
};
