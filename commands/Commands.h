// The five menu commands, written against the window interface and the programmer link.
#pragma once

#include <ctime>
#include <functional>

#include "DeviceLink.h"
#include "Window.h"
#include "WorkingState.h"

namespace gantrel {

// The title of boxes that carry the application's own name.
inline constexpr const char* kAppTitle = "Gantrel";

class Commands {
 public:
  // `clock` gives the local time for the writer's header (tests pass a fixed one).
  Commands(Window& window, DeviceLink& link, std::function<std::tm()> clock = {});

  // Start-up: looks for the programmer once, silently.
  void OpenProgrammer();

  void OnJedecLoad();    // "JEDEC読込"
  void OnDeviceWrite();  // "書き込み"
  void OnDeviceRead();   // "読み込み"
  void OnPesRead();      // "PES取得"
  void OnJedecSave();    // "JEDEC保存"

  WorkingState& State() { return state_; }
  const WorkingState& State() const { return state_; }

 private:
  Window& window_;
  DeviceLink& link_;
  std::function<std::tm()> clock_;
  WorkingState state_;
};

}  // namespace gantrel
