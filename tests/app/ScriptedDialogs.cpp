#include "ScriptedDialogs.h"

std::optional<QString> ScriptedDialogs::AskOpenPath(QWidget*) {
  ++OpenDialogs;
  if (openPaths_.empty()) {
    ++Unexpected;
    return std::nullopt;
  }
  const QString path = openPaths_.front();
  openPaths_.pop_front();
  if (path.isNull()) return std::nullopt;
  return path;
}

std::optional<QString> ScriptedDialogs::AskSavePath(QWidget*) {
  ++SaveDialogs;
  if (savePaths_.empty()) {
    ++Unexpected;
    return std::nullopt;
  }
  const QString path = savePaths_.front();
  savePaths_.pop_front();
  if (path.isNull()) return std::nullopt;
  return path;
}

gantrel::MessageAnswer ScriptedDialogs::ShowMessage(QWidget*, const QString& text,
                                                    const QString& title, gantrel::MessageIcon icon,
                                                    gantrel::MessageButtons buttons) {
  Messages.append({text, title, icon, buttons});
  // A box with OK alone asks nothing: it needs no scripted answer.
  if (buttons == gantrel::MessageButtons::Ok && answers_.empty()) return gantrel::MessageAnswer::Ok;
  if (answers_.empty()) {
    ++Unexpected;
    return gantrel::MessageAnswer::Cancel;
  }
  const gantrel::MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedDialogs::ShowPes(QWidget*, const QString& signature) {
  PesShown.append(signature);
}
