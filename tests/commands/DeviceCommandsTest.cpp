// The three commands that talk to the programmer: program, read back, PES.
#include <gtest/gtest.h>

#include "CommandsFixture.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

const std::string kNotFound = "プログラマが見つかりません。接続を確認して下さい。";
const std::string kReconnect = "\r\nプログラマを接続し直して下さい。";

using DeviceCommands = CommandsFixture;

void ExpectBox(const RecordedBox& box, const std::string& text, const std::string& title,
               MessageIcon icon) {
  EXPECT_EQ(box.Text, text);
  EXPECT_EQ(box.Title, title);
  EXPECT_EQ(box.Icon, icon);
  EXPECT_EQ(box.Buttons, MessageButtons::Ok);
}

FuseImage ImageOf(const FuseArray& fuses) {
  FuseImage image{};
  PackFuseImage(fuses, image);
  return image;
}

// ---- Program ----

TEST_F(DeviceCommands, ProgramBeforeAnyLoadWarnsAndSendsNothing) {
  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(window.Boxes[0], "まず、JEDECファイルを読み込んで下さい。", "注意",
            MessageIcon::Exclamation);
  EXPECT_EQ(ReportCount(), 0u);
}

TEST_F(DeviceCommands, ProgramAfterLoadBurnsAndReportsSuccess) {
  LoadCleanText(TextSetting({10, 20}));
  const std::size_t sent = ReportCount();
  window.Events.clear();
  commands.OnDeviceWrite();
  EXPECT_EQ(CodesSince(sent), std::vector<std::uint8_t>{CMD_PROGRAM});
  EXPECT_EQ(programmer.Received().back()[0], 0);
  EXPECT_EQ(programmer.BurnCount(), 1);
  EXPECT_EQ(programmer.ChipImage(), ImageOf(FusesSetting({10, 20})));
  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(window.Boxes[0], "書き込みに成功しました。", "成功", MessageIcon::None);
  EXPECT_EQ(window.Events, (std::vector<std::string>{"progress", "end", "box"}));
  EXPECT_EQ(window.ProgressSteps.back(), "書き込み中…");
  EXPECT_TRUE(commands.State().JedecLoaded);
}

TEST_F(DeviceCommands, TwoProgramsAfterOneLoadSendWTwiceAndUploadNothing) {
  LoadCleanText(TextSetting({1}));
  const std::size_t sent = ReportCount();
  commands.OnDeviceWrite();
  commands.OnDeviceWrite();
  EXPECT_EQ(CodesSince(sent), (std::vector<std::uint8_t>{CMD_PROGRAM, CMD_PROGRAM}));
  EXPECT_EQ(programmer.UploadCount(), 1);
  EXPECT_EQ(programmer.BurnCount(), 2);
  ASSERT_EQ(window.Boxes.size(), 2u);
  EXPECT_EQ(window.Boxes[1].Text, "書き込みに成功しました。");
}

TEST_F(DeviceCommands, ProgramAnsweredWithoutSuccessByteReportsFailure) {
  LoadCleanText(TextSetting({1}));
  programmer.SetFault(SimulatedFault{SimulatedFaultKind::BurnFails, 0, {}});
  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(window.Boxes[0], "書き込みに失敗しました。", "失敗", MessageIcon::Error);
  EXPECT_TRUE(link.IsOpen());  // a refused burn is an answer, not a broken link
}

TEST_F(DeviceCommands, ProgramWithoutAnswerNeverReportsSuccess) {
  LoadCleanText(TextSetting({1}));
  FaultAtNextReport(SimulatedFaultKind::Stop);
  window.ProgressEnds = 0;
  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(
      window.Boxes[0],
      "プログラマとの通信に失敗しました。（書き込み命令：20秒以内に応答がありません）" + kReconnect,
      "失敗", MessageIcon::Error);
  EXPECT_EQ(window.ProgressEnds, 1);
}

TEST_F(DeviceCommands, ProgramAnsweredLateWithinTheBurnBoundSucceeds) {
  LoadCleanText(TextSetting({1}));
  FaultAtNextReport(SimulatedFaultKind::Late, 0, std::chrono::milliseconds(3000));
  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text, "書き込みに成功しました。");
}

TEST_F(DeviceCommands, ProgrammerVanishedBeforeProgramIsReported) {
  LoadCleanText(TextSetting({1}));
  FaultAtNextReport(SimulatedFaultKind::Vanish);
  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(window.Boxes[0],
            "プログラマとの通信に失敗しました。（書き込み命令：プログラマが切断されました（device "
            "disconnected））" +
                kReconnect,
            "失敗", MessageIcon::Error);
  EXPECT_EQ(programmer.BurnCount(), 0);

  // Still gone: the next command looks again and finds nothing.
  commands.OnDeviceWrite();
  ExpectBox(window.Boxes.back(), kNotFound, "注意", MessageIcon::Exclamation);
}

TEST_F(DeviceCommands, MissingProgrammerIsToldBeforeTheMissingLoad) {
  backend.SetAbsent(true);
  link.Close();
  commands.OnDeviceWrite();
  commands.OnDeviceRead();
  commands.OnPesRead();
  ASSERT_EQ(window.Boxes.size(), 3u);
  for (const RecordedBox& box : window.Boxes) {
    ExpectBox(box, kNotFound, "注意", MessageIcon::Exclamation);
  }
  EXPECT_TRUE(window.Texts.empty());
  EXPECT_TRUE(window.Signatures.empty());
  EXPECT_EQ(window.ProgressEnds, 0);
}

TEST_F(DeviceCommands, ProgrammerThatCannotBeOpenedIsTold) {
  link.Close();
  backend.SetOpenFailure("Permission denied", true);
  commands.OnDeviceWrite();
  backend.SetOpenFailure("Device or resource busy", false);
  commands.OnPesRead();
  ASSERT_EQ(window.Boxes.size(), 2u);
  ExpectBox(window.Boxes[0],
            "プログラマを開けませんでした。（アクセス権がありません（Permission denied））\r\n"
            "udevルール（60-gantrel.rules）をインストールし、プログラマを接続し直して下さい。",
            "注意", MessageIcon::Exclamation);
  ExpectBox(window.Boxes[1],
            "プログラマを開けませんでした。（デバイスを開く処理が失敗しました（Device or resource "
            "busy））" +
                kReconnect,
            "注意", MessageIcon::Exclamation);
  EXPECT_EQ(ReportCount(), 0u);
}

// ---- Read ----

TEST_F(DeviceCommands, ReadShowsTheWritersTextOfTheChipsFuses) {
  const FuseArray chip = FusesSetting({0, 1, 131, 5808, 5811, 5829, 5835, 5841, 5846, 5894});
  programmer.SetChipImage(ImageOf(chip));
  commands.OnDeviceRead();

  std::vector<std::uint8_t> expected{CMD_READ};
  expected.insert(expected.end(), 11, CMD_ACK);
  EXPECT_EQ(CodesSince(0), expected);
  const std::string text = JedecWriter(chip, kPesBytes, FixedTime());
  EXPECT_EQ(window.Texts, std::vector<std::string>{text});
  EXPECT_NE(text.find("*L5808 10010000000000000000\r\n"), std::string::npos);
  EXPECT_EQ(text.rfind("JEDEC file for ATF22LV10C created on Sun Dec 13 04:28:52 2026\r\n", 0), 0u);
  EXPECT_EQ(commands.State().FuseArray, chip);
  EXPECT_EQ(commands.State().FuseImage, ImageOf(chip));
  EXPECT_EQ(commands.State().DisplayText, text);
  EXPECT_EQ(window.ProgressSteps.front(), "受信中 1/12");
  EXPECT_EQ(window.ProgressSteps.back(), "受信中 12/12");
  EXPECT_EQ(window.Events, (std::vector<std::string>{"progress", "end", "text"}));
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_FALSE(commands.State().JedecLoaded);  // reading does not allow programming
}

TEST_F(DeviceCommands, ReadKeepsFusesBeyondTheImageAndLoadedFlag) {
  LoadCleanText("x*F1*");  // all 10000 entries 1
  programmer.SetChipImage(FuseImage{});
  commands.OnDeviceRead();
  const FuseArray& fuses = commands.State().FuseArray;
  EXPECT_EQ(fuses[5895], 0);
  EXPECT_EQ(fuses[5896], 1);
  EXPECT_EQ(fuses[9999], 1);
  EXPECT_TRUE(commands.State().JedecLoaded);
}

TEST_F(DeviceCommands, ReadBrokenOffLeavesFuseMapAndTextAsTheyWere) {
  LoadCleanText(TextSetting({3}));
  const std::string shown = window.Texts.back();
  const FuseImage image = commands.State().FuseImage;
  programmer.SetChipImage(ImageOf(FusesSetting({4})));
  FaultAtNextReport(SimulatedFaultKind::Stop, 6);  // 'r' and five 'a': block 7 never comes
  commands.OnDeviceRead();

  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(
      window.Boxes[0],
      "プログラマとの通信に失敗しました。（ブロック 7/12：2秒以内に応答がありません）" + kReconnect,
      "失敗", MessageIcon::Error);
  EXPECT_EQ(window.Texts.size(), 1u);
  EXPECT_EQ(window.Texts.back(), shown);
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({3}));
  EXPECT_EQ(commands.State().FuseImage, image);
  EXPECT_EQ(commands.State().DisplayText, shown);
}

TEST_F(DeviceCommands, ReadWhoseAcknowledgementCannotBeSentNamesIt) {
  FaultAtNextReport(SimulatedFaultKind::Vanish, 3);  // the third 'a'
  commands.OnDeviceRead();
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text,
            "プログラマとの通信に失敗しました。（ブロック 3/12の受信確認：プログラマが切断されまし"
            "た（device disconnected））" +
                kReconnect);
  EXPECT_TRUE(window.Texts.empty());
}

TEST_F(DeviceCommands, ReadTextCarriesTheFixedSignatureNotTheChips) {
  ASSERT_TRUE(programmer.SetPes("ZYXWVUTSR"));
  commands.OnPesRead();
  commands.OnDeviceRead();
  EXPECT_NE(window.Texts.back().find("*N PES 31 46 32 32 4C 31 30 43 33 00\r\n"),
            std::string::npos);
  EXPECT_EQ(commands.State().PesBytes, kPesBytes);
}

// ---- PES ----

TEST_F(DeviceCommands, PesShowsTheChipsSignatureAfterOneReport) {
  ASSERT_TRUE(programmer.SetPes("IHGFEDCBA"));
  commands.OnPesRead();
  EXPECT_EQ(CodesSince(0), std::vector<std::uint8_t>{CMD_PES});
  EXPECT_EQ(window.Signatures, std::vector<std::string>{"IHGFEDCBA"});
  EXPECT_EQ(window.Events, (std::vector<std::string>{"progress", "end", "pes"}));
  EXPECT_EQ(window.ProgressSteps, std::vector<std::string>{"PES取得中…"});
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_TRUE(window.Texts.empty());
}

TEST_F(DeviceCommands, PesStopsAtTheFirstZeroByte) {
  ASSERT_TRUE(programmer.SetPes(std::string_view("ABCD\0FGHI", 9)));
  commands.OnPesRead();
  ASSERT_TRUE(programmer.SetPes(std::string_view("\0BCDEFGHI", 9)));
  commands.OnPesRead();
  EXPECT_EQ(window.Signatures, (std::vector<std::string>{"ABCD", ""}));
}

TEST_F(DeviceCommands, PesWithoutAnswerShowsFailureAndNoPesBox) {
  FaultAtNextReport(SimulatedFaultKind::Stop);
  commands.OnPesRead();
  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectBox(
      window.Boxes[0],
      "プログラマとの通信に失敗しました。（PES取得命令：2秒以内に応答がありません）" + kReconnect,
      "失敗", MessageIcon::Error);
  EXPECT_TRUE(window.Signatures.empty());
}

}  // namespace
}  // namespace gantrel
