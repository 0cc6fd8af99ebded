// The main window: a menu bar over a text area that fills the rest. It implements the window
// interface of the commands; each menu item asks nothing itself and hands over to its command.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <optional>
#include <string>

#include "Commands.h"
#include "DisplayedText.h"
#include "Window.h"

class ProgressBox;
class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QTimer;

class CGantrelDlg : public QDialog, public gantrel::Window {
  Q_OBJECT

 public:
  // Builds the window for the programmer behind `link`, raising its boxes through `dialogs`;
  // both must outlive the window.
  CGantrelDlg(gantrel::DeviceLink& link, gantrel::Dialogs& dialogs, QWidget* parent = nullptr);
  ~CGantrelDlg() override;

  // Shows the window, then looks for the programmer once, without a word when there is none,
  // and then loads `file` (if any) as if it had been chosen in the load dialog.
  void Start(const std::optional<std::string>& file = std::nullopt);

  // Restores the size and place that the window had in the last run, if any (call before
  // Start), and stores them from now on whenever they change.
  void RememberGeometry();

  // The menu "シミュレーション" with "プログラマを接続し直す", which runs `reconnect` (unless
  // a command runs), and a line naming it in the boxes that ask to reconnect the programmer.
  void AddSimulationMenu(std::function<void()> reconnect);

  // True while a command runs (no other can start meanwhile).
  bool IsBusy() const { return busy_; }

  // gantrel::Window
  void ShowText(std::string_view bytes) override;
  void PlaceCaret(std::size_t offset) override;
  std::string ShownText() override;
  bool HasUnsavedEdits() const override;
  void TextSaved() override;
  // The progress box shows only once an exchange has lasted kProgressDelayMs; input to the
  // menu bar and the text area is refused from the first call on.
  void ShowProgress(std::string_view step) override;
  void EndProgress() override;

  static constexpr int kProgressDelayMs = 500;

 public slots:
  // Escape, the close box and Alt+F4 end here: the window closes at once unless it holds
  // unsaved edits and the user answers Cancel to the question, or a command is running.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateTextArea();
  void CreateLayout();
  void RunCommand(void (gantrel::Commands::*command)());
  // Loads the file at `path` as if chosen in the load dialog, unless a command runs.
  void LoadFile(const std::string& path);
  // The drag and drop of the text area's viewport: one local file is taken and loaded, other
  // addresses are refused, and drags without any go on to the text area (false); while a
  // command runs a file is refused.
  bool FilterDrop(QEvent* event);
  // Stores the window's geometry if it differs from the one stored last.
  void StoreGeometry();

  gantrel::Dialogs& dialogs_;
  gantrel::Commands commands_;
  DisplayedText shown_;
  bool busy_ = false;
  // Runs from an exchange's first progress call to its end.
  QElapsedTimer exchange_;

  QAction* actionJedecLoad_ = nullptr;
  QAction* actionJedecSave_ = nullptr;
  QAction* actionDeviceWrite_ = nullptr;
  QAction* actionDeviceRead_ = nullptr;
  QAction* actionPesRead_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QPlainTextEdit* textArea_ = nullptr;
  ProgressBox* progress_ = nullptr;
  // Runs from a move or resize until the geometry is stored; null unless it is remembered.
  QTimer* geometryTimer_ = nullptr;
  QByteArray storedGeometry_;
};
