// The main window: a menu bar over a text area that fills the rest. It implements the window
// interface of the commands; each menu item asks nothing itself and hands over to its command.
#pragma once

#include <QDialog>
#include <string>

#include "Commands.h"
#include "DisplayedText.h"
#include "Window.h"

class DialogProvider;
class ProgressBox;
class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

class CGantrelDlg : public QDialog, public gantrel::Window {
  Q_OBJECT

 public:
  // Builds the window for the programmer behind `link`, raising its boxes through `dialogs`;
  // both must outlive the window.
  CGantrelDlg(gantrel::DeviceLink& link, DialogProvider& dialogs, QWidget* parent = nullptr);
  ~CGantrelDlg() override;

  // Shows the window, then looks for the programmer once, without a word when there is none.
  void Start();

  // True while a command runs (no other can start meanwhile).
  bool IsBusy() const { return busy_; }
  // True when the text area holds edits that have not been saved.
  bool HasUnsavedEdits() const;

  // gantrel::Window
  void ShowText(std::string_view bytes) override;
  void PlaceCaret(std::size_t offset) override;
  std::string ShownText() override;
  void TextSaved() override;
  std::optional<std::string> AskOpenPath() override;
  std::optional<std::string> AskSavePath() override;
  gantrel::MessageAnswer ShowMessage(std::string_view text, std::string_view title,
                                     gantrel::MessageIcon icon,
                                     gantrel::MessageButtons buttons) override;
  void ShowPes(std::string_view signature) override;
  void ShowProgress(std::string_view step) override;
  void EndProgress() override;

 public slots:
  // Escape, the close box and Alt+F4 end here: the window closes at once unless it holds
  // unsaved edits and the user answers Cancel to the question, or a command is running.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateTextArea();
  void CreateLayout();
  void RunCommand(void (gantrel::Commands::*command)());

  DialogProvider& dialogs_;
  gantrel::Commands commands_;
  DisplayedText shown_;
  bool busy_ = false;

  QAction* actionJedecLoad_ = nullptr;
  QAction* actionJedecSave_ = nullptr;
  QAction* actionDeviceWrite_ = nullptr;
  QAction* actionDeviceRead_ = nullptr;
  QAction* actionPesRead_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QPlainTextEdit* textArea_ = nullptr;
  ProgressBox* progress_ = nullptr;
};
