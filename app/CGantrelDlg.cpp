#include "CGantrelDlg.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "AppResources.h"
#include "ProgressBox.h"
#include "StoredSettings.h"

namespace {

constexpr const char* kUnsavedQuestion = "編集した内容は保存されていません。終了しますか？";
constexpr const char* kSimulationMenu = "シミュレーション";
constexpr const char* kReconnectItem = "プログラマを接続し直す";
constexpr const char* kReconnectHint =
    "シミュレーションでは、メニュー「シミュレーション」→"
    "「プログラマを接続し直す」で接続し直せます。";
// A move or resize is stored once the window has kept still this long.
constexpr int kGeometryStoreDelayMs = 500;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The one local file a drag carries, or an empty string (no file, several, or a remote one).
QString DraggedFile(const QMimeData& data) {
  if (data.urls().size() != 1) return {};
  return data.urls().front().toLocalFile();
}

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

// The text area. Plain text dragged in from another program is copied, never moved, so that
// the source keeps it; a drag within the application keeps its own action.
class TextArea : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (MayTake(event)) QPlainTextEdit::dragEnterEvent(event);
    AsCopy(event);
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (MayTake(event)) QPlainTextEdit::dragMoveEvent(event);
    AsCopy(event);
  }
  void dropEvent(QDropEvent* event) override {
    if (MayTake(event)) QPlainTextEdit::dropEvent(event);
    AsCopy(event);
  }

 private:
  static bool MayTake(const QDropEvent* event) {
    return event->source() != nullptr || (event->possibleActions() & Qt::CopyAction);
  }
  static void AsCopy(QDropEvent* event) {
    if (event->source() != nullptr) return;
    if (MayTake(event) && event->isAccepted()) {
      event->setDropAction(Qt::CopyAction);
    } else {
      event->ignore();
    }
  }
};

}  // namespace

CGantrelDlg::CGantrelDlg(gantrel::DeviceLink& link, gantrel::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), commands_(*this, dialogs, link) {
  setObjectName(QStringLiteral("gantrelDialog"));
  setWindowTitle(QString::fromUtf8(gantrel::kAppTitle));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setWindowIcon(AppResources::Icon());
  setSizeGripEnabled(false);

  CreateActions();
  CreateMenus();
  CreateTextArea();
  CreateLayout();
  progress_ = new ProgressBox(this);
  // The size the window opens at; the text area takes all of it below the menu bar.
  resize(480, 325);
}

CGantrelDlg::~CGantrelDlg() = default;

void CGantrelDlg::CreateActions() {
  struct Item {
    QAction*& action;
    const char* objectName;
    const char* text;
    void (gantrel::Commands::*command)();
    QKeySequence::StandardKey shortcut = QKeySequence::UnknownKey;
  };
  const Item items[] = {
      {actionJedecLoad_, "actionJedecLoad", "JEDEC読込", &gantrel::Commands::OnJedecLoad,
       QKeySequence::Open},
      {actionJedecSave_, "actionJedecSave", "JEDEC保存", &gantrel::Commands::OnJedecSave,
       QKeySequence::Save},
      {actionDeviceWrite_, "actionDeviceWrite", "書き込み", &gantrel::Commands::OnDeviceWrite},
      {actionDeviceRead_, "actionDeviceRead", "読み込み", &gantrel::Commands::OnDeviceRead},
      {actionPesRead_, "actionPesRead", "PES取得", &gantrel::Commands::OnPesRead},
  };
  for (const Item& item : items) {
    item.action = new QAction(QString::fromUtf8(item.text), this);
    item.action->setObjectName(QString::fromLatin1(item.objectName));
    // The menu shows the keys beside the item.
    item.action->setShortcut(item.shortcut);
    const auto command = item.command;
    connect(item.action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  }
}

void CGantrelDlg::CreateMenus() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName(QStringLiteral("menuBar"));
  // On macOS the bar stays in the window, as the menu of a dialog.
  menuBar_->setNativeMenuBar(false);
  fileMenu_ = menuBar_->addMenu(QStringLiteral("ファイル"));
  fileMenu_->setObjectName(QStringLiteral("menuFile"));
  fileMenu_->addAction(actionJedecLoad_);
  fileMenu_->addAction(actionJedecSave_);
  menuBar_->addAction(actionDeviceWrite_);
  menuBar_->addAction(actionDeviceRead_);
  menuBar_->addAction(actionPesRead_);
  menuBar_->installEventFilter(this);
}

void CGantrelDlg::CreateTextArea() {
  textArea_ = new TextArea(this);
  textArea_->setObjectName(QStringLiteral("textArea"));
  // Lines never wrap, so that fuse rows stay whole; both bars are always there, so that the
  // text area keeps its size whatever the text.
  textArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  textArea_->setLineWrapMode(QPlainTextEdit::NoWrap);
  textArea_->setTabChangesFocus(false);
  // Fuse rows line up in a fixed-pitch font; Japanese comments fall back to a CJK font.
  textArea_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  textArea_->installEventFilter(this);
  textArea_->viewport()->installEventFilter(this);
  textArea_->setFocus();
}

void CGantrelDlg::CreateLayout() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  layout->addWidget(textArea_);
}

void CGantrelDlg::Start(const std::optional<std::string>& file) {
  show();
  // Discovery runs once the window is on the screen, so a slow bus does not delay it; a file
  // named at start loads after it, so its upload goes where the program command will go.
  QTimer::singleShot(0, this, [this, file] {
    busy_ = true;
    commands_.OpenProgrammer();
    busy_ = false;
    if (file) LoadFile(*file);
  });
}

void CGantrelDlg::RememberGeometry() {
  storedGeometry_ = StoredSettings::Geometry();
  // A stored geometry that Qt cannot read leaves the size the window opens at.
  restoreGeometry(storedGeometry_);
  geometryTimer_ = new QTimer(this);
  geometryTimer_->setSingleShot(true);
  geometryTimer_->setInterval(kGeometryStoreDelayMs);
  connect(geometryTimer_, &QTimer::timeout, this, &CGantrelDlg::StoreGeometry);
}

void CGantrelDlg::StoreGeometry() {
  const QByteArray geometry = saveGeometry();
  if (geometry == storedGeometry_) return;
  StoredSettings::KeepGeometry(geometry);
  storedGeometry_ = geometry;
}

void CGantrelDlg::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  if (geometryTimer_ && isVisible()) geometryTimer_->start();
}

void CGantrelDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (geometryTimer_ && isVisible()) geometryTimer_->start();
}

void CGantrelDlg::hideEvent(QHideEvent* event) {
  // Closing (or minimising) does not wait for the timer.
  if (geometryTimer_ && geometryTimer_->isActive()) {
    geometryTimer_->stop();
    StoreGeometry();
  }
  QDialog::hideEvent(event);
}

void CGantrelDlg::AddSimulationMenu(std::function<void()> reconnect) {
  QMenu* menu = menuBar_->addMenu(QString::fromUtf8(kSimulationMenu));
  menu->setObjectName(QStringLiteral("menuSimulation"));
  QAction* action = menu->addAction(QString::fromUtf8(kReconnectItem));
  action->setObjectName(QStringLiteral("actionReconnect"));
  connect(action, &QAction::triggered, this, [this, reconnect] {
    if (!busy_) reconnect();
  });
  commands_.SetReconnectHint(kReconnectHint);
}

void CGantrelDlg::LoadFile(const std::string& path) {
  if (busy_) return;
  busy_ = true;
  commands_.LoadChosenFile(path);
  busy_ = false;
}

bool CGantrelDlg::HasUnsavedEdits() const {
  return textArea_->document()->isModified();
}

void CGantrelDlg::RunCommand(void (gantrel::Commands::*command)()) {
  // The progress box lets events through while the programmer works; a second command must
  // not start inside the first.
  if (busy_) return;
  busy_ = true;
  (commands_.*command)();
  busy_ = false;
}

void CGantrelDlg::reject() {
  if (busy_) return;
  if (HasUnsavedEdits() &&
      dialogs_.ShowMessage(kUnsavedQuestion, gantrel::kAppTitle, gantrel::MessageIcon::Exclamation,
                           gantrel::MessageButtons::OkCancel) != gantrel::MessageAnswer::Ok) {
    return;
  }
  QDialog::reject();
}

bool CGantrelDlg::eventFilter(QObject* watched, QEvent* event) {
  // While the programmer works the window takes no input, whether the progress box shows yet
  // or not.
  if (exchange_.isValid() && IsInput(event->type())) {
    // A file dropped meanwhile is refused, so that its source keeps it.
    if (event->type() == QEvent::Drop) event->ignore();
    return true;
  }
  if (watched == textArea_->viewport() && FilterDrop(event)) return true;
  if (watched == textArea_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      // As in a multi-line field of a dialog: Enter does nothing, Ctrl+Enter breaks the line.
      if (key->modifiers() & Qt::ControlModifier)
        textArea_->textCursor().insertText(QStringLiteral("\n"));
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool CGantrelDlg::FilterDrop(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  // A drag of text within the text area carries no address and goes on to the text area,
  // which would otherwise insert a dropped file's address as text.
  if (drop->mimeData() == nullptr || !drop->mimeData()->hasUrls()) return false;
  const QString file = DraggedFile(*drop->mimeData());
  // The file is only read: a copy, so that no source takes the drop for a move.
  if (file.isEmpty() || busy_ || !(drop->possibleActions() & Qt::CopyAction)) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    // The load runs once the drop has ended, so that its boxes do not hold up the drag's source.
    const std::string path = file.toStdString();
    QTimer::singleShot(0, this, [this, path] { LoadFile(path); });
  }
  return true;
}

void CGantrelDlg::ShowText(std::string_view bytes) {
  textArea_->setPlainText(shown_.Show(bytes));
  textArea_->document()->setModified(false);
}

void CGantrelDlg::PlaceCaret(std::size_t offset) {
  QTextCursor cursor = textArea_->textCursor();
  const int last = textArea_->document()->characterCount() - 1;
  const int index = shown_.CharacterIndex(offset);
  cursor.setPosition(index < last ? index : last);
  textArea_->setTextCursor(cursor);
  textArea_->ensureCursorVisible();
}

std::string CGantrelDlg::ShownText() {
  if (!HasUnsavedEdits()) return shown_.Bytes();
  // toRawText keeps no-break spaces and line separators that toPlainText would rewrite.
  return shown_.Encode(textArea_->document()->toRawText());
}

void CGantrelDlg::TextSaved() {
  if (HasUnsavedEdits()) {
    TextEncoding used = shown_.Encoding();
    std::string bytes = shown_.Encode(textArea_->document()->toRawText(), &used);
    shown_.Adopt(std::move(bytes), used);
  }
  textArea_->document()->setModified(false);
}

void CGantrelDlg::ShowProgress(std::string_view step) {
  if (!exchange_.isValid()) exchange_.start();
  // A short exchange ends before the box would show, so it does not flash on every load.
  progress_->SetStep(FromUtf8(step));
  if (!progress_->isVisible() && exchange_.elapsed() >= kProgressDelayMs) progress_->show();
  // Let the window and the box paint between the slices of a wait. The event filter refuses
  // input meant for the window meanwhile, and the busy flag stops any command anyway.
  QApplication::processEvents();
}

void CGantrelDlg::EndProgress() {
  progress_->hide();
  exchange_.invalidate();
}
