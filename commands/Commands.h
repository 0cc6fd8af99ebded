// The five menu commands, written against the window, its boxes and the programmer link.
#pragma once

#include <ctime>
#include <functional>

#include "DeviceLink.h"
#include "Dialogs.h"
#include "Window.h"
#include "WorkingState.h"

namespace gantrel {

// The title of boxes that carry the application's own name.
inline constexpr const char* kAppTitle = "Gantrel";

class Commands {
 public:
  // `clock` gives the local time for the writer's header (tests pass a fixed one).
  Commands(Window& window, Dialogs& dialogs, DeviceLink& link, std::function<std::tm()> clock = {});

  // Start-up: looks for the programmer once, silently.
  void OpenProgrammer();

  // "JEDEC読込": reads the chosen file whole (up to 1 MiB) into a copy of the fuse map; a file
  // that cannot be read is told and changes nothing; a rejected text is told first, then shown
  // with the caret on the offending byte (at the start of a text that sets no fuse), and leaves
  // the fuse map as it was; a clean one is kept,
  // uploaded when a programmer is there (a failed or refused upload is told; no programmer is
  // not) and then shown.
  void OnJedecLoad();
  // The load of a file already chosen (named at start, dropped on the text area): edited text
  // is given up only when the user agrees, then it goes on as OnJedecLoad.
  void LoadChosenFile(const std::string& path);
  // "書き込み": tells of a missing programmer, then of one out of step, then of a load that did
  // not reach the programmer now open; asks first when the text shown is not the one uploaded
  // (Cancel sends nothing); else has it burn its image, reads the chip back into a scratch image
  // and tells success only when fuses 0..5891 agree with the upload, else a refused burn, the
  // count of differing fuses or a broken exchange. One box besides the question.
  void OnDeviceWrite();
  // "読み込み": reads the chip back and shows the writer's text of its fuses; a missing
  // programmer or a broken exchange is told and leaves the fuse map and the text as they were.
  // Edited text is given up only when the user agrees, asked before anything is sent.
  void OnDeviceRead();
  // "PES取得": shows the chip's signature in the PES box; a missing programmer or a broken
  // exchange is told instead.
  void OnPesRead();
  // "JEDEC保存": writes the text as it stands, framed, to the chosen file through a temporary
  // file (a FIFO or device is written into, never waited on); a failure is told, leaves an
  // existing file as it was and the edits unsaved.
  void OnJedecSave();

  WorkingState& State() { return state_; }

  // A line added to the boxes that ask for the programmer to be reconnected after an exchange
  // broke off (the simulated programmer's window names its own way to do it); none by default.
  void SetReconnectHint(std::string line) { reconnectHint_ = std::move(line); }

 private:
  // True when the text shown may be replaced: it holds no unsaved edits, or the user agreed
  // to give them up.
  bool MayReplaceText();
  // True when a programmer is open and in step; otherwise shows why not (none found or not
  // opened, or out of step) and gives false. May run discovery.
  bool ProgrammerReady();

  Window& window_;
  Dialogs& dialogs_;
  DeviceLink& link_;
  std::function<std::tm()> clock_;
  WorkingState state_;
  std::string reconnectHint_;
};

}  // namespace gantrel
