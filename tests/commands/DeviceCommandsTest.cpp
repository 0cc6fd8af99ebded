// The three commands that talk to the programmer: program, read back, PES. The program command's
// success is proven with the loads.
#include "CommandTexts.h"
#include "CommandsRig.h"

namespace gantrel {

// Every way program, read and PES fail: one box, and nothing else shown or changed.
TEST(DeviceCommands, FailuresTellOneBoxAndChangeNothing) {
  const std::string gone = "プログラマが切断されました（device disconnected）";
  const std::string notFound = kNotice + "プログラマが見つかりません。接続を確認して下さい。";
  const std::string notOpened = kNotice + "プログラマを開けませんでした。（";
  const auto write = &Commands::OnDeviceWrite, read = &Commands::OnDeviceRead;
  const auto pes = &Commands::OnPesRead;
  using enum SimulatedFaultKind;
  // After a clean load of fuse 3 or none; the command; a fault striking this many reports after
  // the next; the link: nullptr the programmer is there, "" it is not, else why it cannot be
  // opened; the box.
  const std::tuple<bool, void (Commands::*)(), SimulatedFaultKind, int, const char*, std::string>
      cases[] = {
          // clang-format off
      {false, write, None, 0, nullptr, kNotice + "まず、JEDECファイルを読み込んで下さい。"},
      {true, write, BurnFails, 0, nullptr, kFailure + "書き込みに失敗しました。"},
      {true, write, Stop, 0, nullptr, Broken("書き込み命令：20秒以内に応答がありません")},
      {true, write, Vanish, 0, nullptr, Broken("書き込み命令：" + gone)},
      {true, read, Stop, 6, nullptr, Broken("ブロック 7/12：2秒以内に応答がありません")},  // 'r', five 'a'
      {true, read, Vanish, 3, nullptr, Broken("ブロック 3/12の受信確認：" + gone)},
      {true, pes, Stop, 0, nullptr, Broken("PES取得命令：2秒以内に応答がありません")},
      {false, write, None, 0, "", notFound},  // told before the missing load
      {true, write, None, 0, "", notFound},   // after a load without a programmer
      {true, read, None, 0, "", notFound},
      {false, pes, None, 0, "", notFound},
      {false, write, None, 0, "Permission denied", notOpened + "アクセス権がありません（Permission denied））\r\n"
       "udevルール（60-gantrel.rules）をインストールし、プログラマを接続し直して下さい。"},
      {true, pes, None, 0, "Device or resource busy", notOpened +
       "デバイスを開く処理が失敗しました（Device or resource busy））\r\nプログラマを接続し直して下さい。"},
          // clang-format on
      };
  for (const auto& [load, command, fault, at, link, box] : cases) {
    SCOPED_TRACE(box);
    Rig r;
    if (link) r.link.Close(), r.backend.SetAbsent(!*link);
    if (link) r.backend.SetOpenFailure(link, link == std::string("Permission denied"));
    r.programmer.SetChipImage(ImageOf(FusesSetting({4})));
    if (load) r.LoadText("t*F0*L3 1*");
    r.FaultAt(fault, at);
    const WorkingState was = r.commands.State();
    r.dialogs.Events.clear();
    (r.commands.*command)();
    const bool exchanged = box.starts_with(kFailure);
    EXPECT_EQ(r.dialogs.Events, (exchanged ? Strings{"progress", "end", box} : Strings{box}));
    const WorkingState& is = r.commands.State();
    EXPECT_EQ(std::tie(is.JedecLoaded, is.FuseArray, is.FuseImage, is.DisplayText),
              std::tie(was.JedecLoaded, was.FuseArray, was.FuseImage, was.DisplayText));
  }
}

// After a clean load, the programmer replugged, an upload broken off, or the programmer gone: no
// 'w' reaches a programmer that did not receive the loaded image over the same connection, no
// read shows bytes from a programmer out of step, and a load without a programmer stays quiet.
TEST(DeviceCommands, NoBurnOrReadThatCouldBeWrong) {
  const std::string outOfStep = kNotice +
                                "プログラマとの前回の通信が途中で失敗しました。\r\n"
                                "プログラマを接続し直して下さい。";
  const std::string late = Broken("送信 5/13：2秒以内に応答がありません");
  const std::string loadFirst = kNotice + "まず、JEDECファイルを読み込んで下さい。";
  const struct {
    const char* faults;  // after the first load's 13 reports
    const char* how;     // "" or how the programmer goes away then
    Strings commands;
    Strings events;
  } cases[] = {
      {"replug@14", "", {"read", "write"}, {"progress", "end", "text", loadFirst}},
      {"replug@14", "", {"pes", "write"}, {"progress", "end", "pes 1F22L10C3", loadFirst}},
      {"late@18",
       "",
       {"load", "load", "write"},
       {"open", "progress", "end", late, "text", "open", outOfStep, "text", outOfStep}},
      {"late@18", "", {"load", "read"}, {"open", "progress", "end", late, "text", outOfStep}},
      {"late@18",
       "",
       {"load", "replug", "read", "write"},
       {"open", "progress", "end", late, "text", "progress", "end", "text", loadFirst}},
      {"",
       "unplugged",
       {"load", "write"},
       {"open", "text", kNotice + "プログラマが見つかりません。接続を確認して下さい。"}},
      {"",
       "not openable",
       {"load", "write"},
       {"open", "text",
        kNotice + "プログラマを開けませんでした。（デバイスを開く処理が失敗しました"
                  "（Device or resource busy））\r\nプログラマを接続し直して下さい。"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.events.back());
    Rig r;
    r.LoadText("t*F0*L3 1*");
    std::vector<SimulatedFault> faults;
    std::string error;
    ASSERT_TRUE(!*c.faults || ParseSimulatedFaults(c.faults, faults, error)) << error;
    r.programmer.SetFaults(faults);
    if (*c.how)
      r.backend.SetOpenFailure(c.how == std::string("unplugged") ? "" : "Device or resource busy");
    if (*c.how) r.backend.SetAbsent(c.how == std::string("unplugged")), r.programmer.Reconnect();
    r.window.Events.clear();
    for (const std::string& command : c.commands) {
      if (command == "load") r.Load(r.dir.File("clean.jed"));
      if (command == "read") r.commands.OnDeviceRead();
      if (command == "pes") r.commands.OnPesRead();
      if (command == "write") r.commands.OnDeviceWrite();
      if (command == "replug") r.programmer.Reconnect();
    }
    EXPECT_EQ(r.window.Events, c.events);
    EXPECT_EQ(r.programmer.BurnCount(), 0);
    const WorkingState& state = r.commands.State();
    EXPECT_TRUE(!state.JedecLoaded || state.UploadConnection != r.link.ConnectionNumber());
  }  // An input report shorter than 64 bytes (hidapi gives it, the simulated programmer does not).
  ExchangeResult shortAnswer;
  shortAnswer.Kind = ExchangeKind::Read, shortAnswer.Error = ExchangeError::TransferFailed;
  shortAnswer.Transfer = TransferError::ShortAnswer, shortAnswer.AnswerBytes = 40;
  shortAnswer.Step = 7, shortAnswer.StepCount = 12;
  EXPECT_EQ(kFailure + ExchangeFailureText(shortAnswer),
            Broken("ブロック 7/12：応答が40バイトしかありません"));
}

}  // namespace gantrel
