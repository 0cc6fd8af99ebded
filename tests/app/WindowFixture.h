// A main window over the simulated programmer, its boxes answered by ScriptedDialogs.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "CGantrelDlg.h"
#include "ScriptedDialogs.h"
#include "SimulatedProgrammer.h"
#include "TestSupport.h"

using namespace std::chrono_literals;

using gantrel::testing::ScriptedDialogs;

struct WindowFixture {
  gantrel::SimulatedProgrammer programmer;
  gantrel::SimulatedBackend backend{programmer};
  // Short bounds: a fault that leaves an answer out fails fast.
  gantrel::DeviceLink link{backend, {200ms, 200ms, 10ms}};
  ScriptedDialogs dialogs;
  CGantrelDlg window{link, dialogs};
  QPlainTextEdit* text = window.findChild<QPlainTextEdit*>(QStringLiteral("textArea"));

  // Shows the window and waits for its one look for the programmer.
  void Start() {
    window.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(backend.DiscoveryCount(), 1);
  }
  void Trigger(const char* name) { window.findChild<QAction*>(name)->trigger(); }
  // Every answer queued was used, no box came unforeseen, and no modal loop is left open.
  bool Clean() const {
    return dialogs.Unexpected == 0 && dialogs.Script.empty() && !window.IsBusy() &&
           QApplication::activeModalWidget() == nullptr;
  }
};
