// The commands wired to a scripted window and boxes and the simulated programmer; one list logs
// what the commands show.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "Commands.h"
#include "JedecFraming.h"
#include "ScriptedDialogs.h"
#include "SimulatedProgrammer.h"
#include "TestSupport.h"

namespace gantrel {

using Strings = std::vector<std::string>;
using Reports = std::vector<Report>;

// A box as ScriptedDialogs logs it.
const std::string kSaid = "[Gantrel -.] ", kAsked = "[Gantrel -?] ", kNotice = "[注意 !.] ",
                  kFailure = "[失敗 x.] ", kSucceeded = "[成功 -.] 書き込みに成功しました。";
inline std::string Broken(const std::string& step) {
  return kFailure + "プログラマとの通信に失敗しました。（" + step +
         "）\r\nプログラマを接続し直して下さい。";
}

// The text area and progress display, logged in the same list as the boxes: "progress",
// "end", "text", "caret N", "saved".
struct ScriptedWindow : Window {
  explicit ScriptedWindow(Strings& events) : Events(events) {}
  Strings& Events;
  std::optional<std::string> Edited;  // what the user made of the text shown
  Strings Steps;                      // those of the progress display, repeats dropped
  std::string Text;                   // the text last shown

  void ShowText(std::string_view bytes) override { Log("text"), Text = bytes, Edited = {}; }
  void PlaceCaret(std::size_t offset) override { Log("caret " + std::to_string(offset)); }
  std::string ShownText() override { return Edited.value_or(Text); }
  bool HasUnsavedEdits() const override { return Edited.has_value(); }
  void TextSaved() override { Log("saved"), Text = ShownText(), Edited = {}; }
  // A box or text shown while the progress display is up would stand between these two.
  void ShowProgress(std::string_view step) override {
    if (Events.empty() || Events.back() != "progress") Log("progress");
    if (Steps.empty() || Steps.back() != step) Steps.emplace_back(step);
  }
  void EndProgress() override { Log("end"); }
  void Log(const std::string& event) { Events.push_back(event); }
};

// The fuse map with exactly the given fuses set.
inline FuseArray FusesSetting(std::initializer_list<int> fuses) {
  FuseArray array{};
  for (int fuse : fuses) array[static_cast<std::size_t>(fuse)] = 1;
  return array;
}

inline FuseImage ImageOf(const FuseArray& fuses) {
  FuseImage image{};
  PackFuseImage(fuses, image);
  return image;
}

struct Rig {
  Rig() { commands.OpenProgrammer(); }
  // The load or save dialog answered with `path` (nothing: cancelled), then `answers`.
  void Load(std::optional<std::string> path, const Strings& answers = {}) {
    Answer(path), dialogs.Script.insert(dialogs.Script.end(), answers.begin(), answers.end());
    commands.OnJedecLoad();
  }
  void Save(std::optional<std::string> path) { Answer(path), commands.OnJedecSave(); }
  void Answer(const std::optional<std::string>& path) {
    dialogs.Script.push_back(path.value_or(""));
  }
  // Loads `text` from a file, which must load cleanly (and reach a programmer there).
  void LoadText(const std::string& text) {
    testing::WriteFileBytes(dir.File("clean.jed"), text), Load(dir.File("clean.jed"));
    EXPECT_EQ(commands.State().JedecLoaded, link.IsOpen());
  }
  Reports Since(std::size_t first) const {
    return {programmer.Received().begin() + first, programmer.Received().end()};
  }
  static Report Command(std::uint8_t code) { return Report{0, code}; }
  // 'j' and the 12 blocks of the image of `fuses`.
  static Reports Upload(const FuseArray& fuses) {
    const FuseImage image = ImageOf(fuses);
    Reports upload(13, Command(CMD_UPLOAD));
    for (std::size_t i = 0; i < image.size(); ++i) upload[1 + i / 64][1 + i % 64] = image[i];
    return upload;
  }
  // The fault strikes `offset` reports after the next one.
  void FaultAt(SimulatedFaultKind kind, int at = 0) {
    programmer.SetFault({kind, programmer.ReportCount() + 1 + at});  // Late: after 3 s
  }

  testing::TempDir dir;
  SimulatedProgrammer programmer;
  SimulatedBackend backend{programmer};
  DeviceLink link{backend};
  testing::ScriptedDialogs dialogs;
  ScriptedWindow window{dialogs.Events};
  Commands commands{window, dialogs, link, &testing::ExampleTime};
};

}  // namespace gantrel
