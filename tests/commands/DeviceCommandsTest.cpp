// The three commands that talk to the programmer: program, read back, PES. The program command's
// success is proven with the loads.
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
    r.window.Events.clear();
    (r.commands.*command)();
    const bool exchanged = box.starts_with(kFailure);
    EXPECT_EQ(r.window.Events, (exchanged ? Strings{"progress", "end", box} : Strings{box}));
    const WorkingState& is = r.commands.State();
    EXPECT_EQ(std::tie(is.JedecLoaded, is.FuseArray, is.FuseImage, is.DisplayText),
              std::tie(was.JedecLoaded, was.FuseArray, was.FuseImage, was.DisplayText));
  }
}

}  // namespace gantrel
