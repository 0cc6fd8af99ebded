// A DialogProvider for tests: answers come from queues filled beforehand, and every box asked
// for is recorded. A box asked for with no answer queued is counted as unexpected and answered
// with Cancel, so a test never waits on a modal loop.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "DialogProvider.h"

struct RecordedMessage {
  QString Text;
  QString Title;
  gantrel::MessageIcon Icon = gantrel::MessageIcon::None;
  gantrel::MessageButtons Buttons = gantrel::MessageButtons::Ok;
};

class ScriptedDialogs : public DialogProvider {
 public:
  // Queues the answer to the next file dialog: a path, or nothing for Cancel.
  void SetNextOpenPath(const std::optional<QString>& path) {
    openPaths_.push_back(path ? *path : QString());
  }
  void SetNextSavePath(const std::optional<QString>& path) {
    savePaths_.push_back(path ? *path : QString());
  }
  // Queues the answer to the next message box.
  void SetNextAnswer(gantrel::MessageAnswer answer) { answers_.push_back(answer); }

  std::optional<QString> AskOpenPath(QWidget* parent) override;
  std::optional<QString> AskSavePath(QWidget* parent) override;
  gantrel::MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                     gantrel::MessageIcon icon,
                                     gantrel::MessageButtons buttons) override;
  void ShowPes(QWidget* parent, const QString& signature) override;

  // Everything seen so far.
  QList<RecordedMessage> Messages;
  QStringList PesShown;
  int OpenDialogs = 0;
  int SaveDialogs = 0;
  // Boxes asked for with nothing queued; a test expects none.
  int Unexpected = 0;
  // True when every queued answer was used.
  bool AllAnswersUsed() const {
    return openPaths_.empty() && savePaths_.empty() && answers_.empty();
  }

 private:
  // A null string stands for Cancel.
  std::deque<QString> openPaths_;
  std::deque<QString> savePaths_;
  std::deque<gantrel::MessageAnswer> answers_;
};
