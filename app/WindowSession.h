// One run of the window as the command line asks for it: the programmer it talks to (the USB
// one, or the simulated one, whose waits then take real time, with a menu that reconnects it),
// the link and the window, which keeps its size and place between runs.
#pragma once

#include <memory>

#include "CGantrelDlg.h"
#include "CommandLine.h"

namespace gantrel {
class DeviceBackend;
class SimulatedProgrammer;
}  // namespace gantrel

class WindowSession {
 public:
  // The caption under --simulate, so that nobody takes a simulated burn for a real one.
  static constexpr const char* kSimulatedCaption = "Gantrel（シミュレーション）";

  // Builds the window for `options`, raising its boxes through `dialogs` (which must outlive
  // the session).
  WindowSession(const WindowOptions& options, gantrel::Dialogs& dialogs);
  ~WindowSession();

  CGantrelDlg& Window() { return *window_; }
  // The simulated programmer, or null when the window talks to the USB one.
  gantrel::SimulatedProgrammer* Simulated() { return simulated_.get(); }

  // Shows the window, looks for the programmer, then loads the file named at start, if any.
  void Start();

 private:
  std::optional<std::string> file_;
  std::shared_ptr<gantrel::SimulatedProgrammer> simulated_;
  // What earlier runs left of programmers out of step (the USB programmer only).
  std::unique_ptr<gantrel::OutOfStepNotes> notes_;
  std::unique_ptr<gantrel::DeviceBackend> backend_;
  std::unique_ptr<gantrel::DeviceLink> link_;
  std::unique_ptr<CGantrelDlg> window_;
};
