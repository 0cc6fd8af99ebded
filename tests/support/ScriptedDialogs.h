// The boxes answered from a script, for the commands' tests and the window's: a file dialog
// takes the next answer as its path ("" for Cancel), an OK/Cancel box takes "OK" or "Cancel",
// a box with OK alone takes none. Every box is logged in Events, in order: "open", "save",
// "pes SIGNATURE", or a message as "[title icon buttons] text" (icon "-" none, "!" exclamation,
// "x" error; buttons "." OK, "?" OK/Cancel). A box asked for when the script has run out counts
// as unexpected and is cancelled, so that no test waits on a modal loop.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "Dialogs.h"

namespace gantrel::testing {

struct ScriptedDialogs : Dialogs {
  std::deque<std::string> Script;
  std::vector<std::string> Events;
  int Unexpected = 0;

  std::optional<std::string> AskOpenPath() override { return Path("open"); }
  std::optional<std::string> AskSavePath() override { return Path("save"); }
  MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                            MessageButtons buttons) override {
    const bool ask = buttons == MessageButtons::OkCancel;
    Events.push_back("[" + std::string(title) + " " + "-!x"[int(icon)] + ".?"[ask] + "] " +
                     std::string(text));
    return !ask || Next() == "OK" ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
  void ShowPes(std::string_view signature) override {
    Events.push_back("pes " + std::string(signature));
  }

 private:
  std::string Next() {
    if (Script.empty()) return ++Unexpected, std::string();
    std::string answer = Script.front();
    Script.pop_front();
    return answer;
  }
  std::optional<std::string> Path(const char* event) {
    Events.emplace_back(event);
    std::string path = Next();
    return path.empty() ? std::nullopt : std::optional(path);
  }
};

}  // namespace gantrel::testing
