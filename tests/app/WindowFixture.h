// A main window over the simulated programmer and scripted dialogs, as each test needs it.
#pragma once

#include <memory>

#include "CGantrelDlg.h"
#include "DeviceLink.h"
#include "ScriptedDialogs.h"
#include "SimulatedBackend.h"
#include "SimulatedProgrammer.h"

struct WindowFixture {
  WindowFixture()
      : backend(programmer),
        // Short bounds: a fault that leaves an answer out fails fast.
        link(backend,
             gantrel::LinkTimeouts{std::chrono::milliseconds(200), std::chrono::milliseconds(200),
                                   std::chrono::milliseconds(10)}),
        window(std::make_unique<CGantrelDlg>(link, dialogs)) {}

  gantrel::SimulatedProgrammer programmer;
  gantrel::SimulatedBackend backend;
  gantrel::DeviceLink link;
  ScriptedDialogs dialogs;
  std::unique_ptr<CGantrelDlg> window;
};
