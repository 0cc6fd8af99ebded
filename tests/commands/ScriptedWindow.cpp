#include "ScriptedWindow.h"

#include <gtest/gtest.h>

namespace gantrel {

void ScriptedWindow::ShowText(std::string_view bytes) {
  EXPECT_FALSE(progressOpen_) << "text shown while the progress display is up";
  Events.push_back("text");
  Texts.emplace_back(bytes);
  edited_.reset();
}

void ScriptedWindow::PlaceCaret(std::size_t offset) {
  Events.push_back("caret");
  Carets.push_back(offset);
  EXPECT_FALSE(Texts.empty()) << "caret placed before any text was shown";
  if (!Texts.empty()) {
    EXPECT_LE(offset, Texts.back().size()) << "caret beyond the text";
  }
}

std::string ScriptedWindow::ShownText() {
  if (edited_) return *edited_;
  return Texts.empty() ? std::string() : Texts.back();
}

void ScriptedWindow::TextSaved() {
  Events.push_back("saved");
  ++SavedCount;
}

std::optional<std::string> ScriptedWindow::AskOpenPath() {
  Events.push_back("open");
  if (paths_.empty()) {
    ADD_FAILURE() << "an open dialog that the test did not expect";
    return std::nullopt;
  }
  std::optional<std::string> path = paths_.front();
  paths_.pop_front();
  return path;
}

std::optional<std::string> ScriptedWindow::AskSavePath() {
  Events.push_back("save");
  if (paths_.empty()) {
    ADD_FAILURE() << "a save dialog that the test did not expect";
    return std::nullopt;
  }
  std::optional<std::string> path = paths_.front();
  paths_.pop_front();
  return path;
}

MessageAnswer ScriptedWindow::ShowMessage(std::string_view text, std::string_view title,
                                          MessageIcon icon, MessageButtons buttons) {
  EXPECT_FALSE(progressOpen_) << "a box raised while the progress display is up";
  Events.push_back("box");
  Boxes.push_back(RecordedBox{std::string(text), std::string(title), icon, buttons});
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (answers_.empty()) {
    ADD_FAILURE() << "an OK/Cancel box that the test did not expect: " << text;
    return MessageAnswer::Cancel;
  }
  const MessageAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedWindow::ShowPes(std::string_view signature) {
  Events.push_back("pes");
  Signatures.emplace_back(signature);
}

void ScriptedWindow::ShowProgress(std::string_view step) {
  if (!progressOpen_) Events.push_back("progress");
  progressOpen_ = true;
  if (ProgressSteps.empty() || ProgressSteps.back() != step) ProgressSteps.emplace_back(step);
}

void ScriptedWindow::EndProgress() {
  if (progressOpen_) Events.push_back("end");
  progressOpen_ = false;
  ++ProgressEnds;
}

}  // namespace gantrel
