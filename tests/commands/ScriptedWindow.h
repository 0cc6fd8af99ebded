// A window for tests: answers message boxes and file dialogs from queues set up beforehand and
// records everything the commands show, in order.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Window.h"

namespace gantrel {

struct RecordedBox {
  std::string Text;
  std::string Title;
  MessageIcon Icon = MessageIcon::None;
  MessageButtons Buttons = MessageButtons::Ok;
};

class ScriptedWindow : public Window {
 public:
  // Queues the answer to the next OK/Cancel box (OK-only boxes take none).
  void AnswerNext(MessageAnswer answer) { answers_.push_back(answer); }
  // Queues the result of the next file dialog (nothing: the user cancels).
  void ChooseNext(std::optional<std::string> path) { paths_.push_back(std::move(path)); }
  // Makes ShownText() return `bytes`, as if the user had typed them, until the next ShowText.
  void Edit(std::string bytes) { edited_ = std::move(bytes); }

  void ShowText(std::string_view bytes) override;
  void PlaceCaret(std::size_t offset) override;
  std::string ShownText() override;
  void TextSaved() override;
  std::optional<std::string> AskOpenPath() override;
  std::optional<std::string> AskSavePath() override;
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override;
  void ShowPes(std::string_view signature) override;
  void ShowProgress(std::string_view step) override;
  void EndProgress() override;

  // True when every queued answer and path was used.
  bool ScriptUsedUp() const { return answers_.empty() && paths_.empty(); }

  // What happened, in order: "box", "text", "caret", "pes", "progress", "end", "saved",
  // "open", "save" (the dialogs).
  std::vector<std::string> Events;
  std::vector<RecordedBox> Boxes;
  std::vector<std::string> Texts;          // every text shown
  std::vector<std::size_t> Carets;         // every caret placement
  std::vector<std::string> Signatures;     // every PES box
  std::vector<std::string> ProgressSteps;  // every progress step, consecutive repeats dropped
  int ProgressEnds = 0;
  int SavedCount = 0;

 private:
  std::deque<MessageAnswer> answers_;
  std::deque<std::optional<std::string>> paths_;
  std::optional<std::string> edited_;
  bool progressOpen_ = false;
};

}  // namespace gantrel
