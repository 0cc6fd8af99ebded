// A main window over the simulated programmer, its boxes answered by ScriptedDialogs.
#pragma once

#include <QtTest>
#include <QtWidgets>

#include "CGantrelDlg.h"
#include "DialogProvider.h"
#include "SimulatedProgrammer.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using gantrel::MessageAnswer, gantrel::MessageButtons, gantrel::MessageIcon;

// Answers the boxes from Script, in order: a file dialog takes a path ("" for Cancel), an
// OK/Cancel box "OK" or "Cancel"; a box with OK alone asks nothing. Every box is recorded as
// "title|text|icon|buttons". A box asked for when Script is empty counts as unexpected and is
// cancelled, so a test never waits on a modal loop.
class ScriptedDialogs : public DialogProvider {
 public:
  QStringList Script, Messages, PesShown;
  int Unexpected = 0;

  std::optional<QString> AskOpenPath(QWidget*) override { return Path(); }
  std::optional<QString> AskSavePath(QWidget*) override { return Path(); }
  MessageAnswer ShowMessage(QWidget*, const QString& text, const QString& title, MessageIcon icon,
                            MessageButtons buttons) override {
    const char* icons[] = {"None", "Exclamation", "Error"};
    const bool okOnly = buttons == MessageButtons::Ok;
    Messages << title + "|" + text + "|" + icons[int(icon)] + (okOnly ? "|Ok" : "|OkCancel");
    return okOnly || Next() == "OK" ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
  void ShowPes(QWidget*, const QString& signature) override { PesShown << signature; }

 private:
  QString Next() { return Script.isEmpty() ? (++Unexpected, QString()) : Script.takeFirst(); }
  std::optional<QString> Path() {
    const QString path = Next();
    return path.isEmpty() ? std::nullopt : std::optional(path);
  }
};

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
    return dialogs.Unexpected == 0 && dialogs.Script.isEmpty() && !window.IsBusy() &&
           QApplication::activeModalWidget() == nullptr;
  }
};
