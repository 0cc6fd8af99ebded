// The modal boxes of the window behind one seam: the real ones use Qt's message boxes, file
// dialogs and the PES box; tests answer from a script so that no modal loop is ever left open.
#pragma once

#include <QString>
#include <optional>

#include "Window.h"

class QWidget;

class DialogProvider {
 public:
  virtual ~DialogProvider() = default;

  // Asks for a JEDEC file to open; its full path, or nothing when the user cancelled.
  virtual std::optional<QString> AskOpenPath(QWidget* parent) = 0;
  // Asks for the file to save to (the dialog confirms an overwrite and adds no extension);
  // the path exactly as chosen or typed, or nothing when the user cancelled.
  virtual std::optional<QString> AskSavePath(QWidget* parent) = 0;
  // A modal message box with `text`, `title`, `icon` and `buttons`; the button pressed
  // (closing the box counts as Cancel when it has one, else as OK).
  virtual gantrel::MessageAnswer ShowMessage(QWidget* parent, const QString& text,
                                             const QString& title, gantrel::MessageIcon icon,
                                             gantrel::MessageButtons buttons) = 0;
  // The modal PES box showing `signature`; returns when the user closes it.
  virtual void ShowPes(QWidget* parent, const QString& signature) = 0;
};
