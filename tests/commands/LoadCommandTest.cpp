// The load command: file dialog, file errors, the reader's verdict, the device question, the
// upload and the text shown.
#include <gtest/gtest.h>

#include <algorithm>

#include "CommandsFixture.h"
#include "JedecFraming.h"

namespace gantrel {
namespace {

const std::string kFileError = "JEDECファイルにエラーがあります。";

class LoadCommand : public CommandsFixture {
 protected:
  // The 13 reports of an upload of `fuses`, starting at report `first` of the log.
  void ExpectUploadOf(const FuseArray& fuses, std::size_t first) {
    FuseImage image{};
    PackFuseImage(fuses, image);
    const std::vector<Report>& received = programmer.Received();
    ASSERT_EQ(received.size(), first + 13);
    EXPECT_EQ(received[first][0], 0);
    EXPECT_EQ(received[first][1], CMD_UPLOAD);
    for (int block = 0; block < kImageBlockCount; ++block) {
      const Report& report = received[first + 1 + static_cast<std::size_t>(block)];
      EXPECT_EQ(report[0], 0);
      EXPECT_TRUE(std::equal(report.begin() + 1, report.end(), image.begin() + block * 64))
          << "data report " << block;
    }
    EXPECT_EQ(programmer.UploadedImage(), image);
  }

  void ExpectErrorBoxOnly(const RecordedBox& box) {
    EXPECT_EQ(box.Text, kFileError);
    EXPECT_EQ(box.Title, "Gantrel");
    EXPECT_EQ(box.Icon, MessageIcon::None);
    EXPECT_EQ(box.Buttons, MessageButtons::Ok);
  }
};

TEST_F(LoadCommand, CleanFileUploadsItsImageThenShowsItsText) {
  const std::string text = TextSetting({0, 1, 131, 5808, 5895});
  Load(WriteFile("a.jed", "banner\x02" + text + "\x03" + "ABCD"));

  ExpectUploadOf(FusesSetting({0, 1, 131, 5808, 5895}), 0);
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_EQ(window.Texts, std::vector<std::string>{text});  // the bare text, frame dropped
  EXPECT_EQ(window.Events, (std::vector<std::string>{"open", "progress", "end", "text"}));
  EXPECT_EQ(window.ProgressSteps.front(), "送信中 1/13");
  EXPECT_EQ(window.ProgressSteps.back(), "送信中 13/13");
  EXPECT_EQ(window.ProgressSteps.size(), 13u);
  const WorkingState& state = commands.State();
  EXPECT_TRUE(state.JedecLoaded);
  EXPECT_EQ(state.FuseArray, FusesSetting({0, 1, 131, 5808, 5895}));
  EXPECT_EQ(state.JedecText, text);
  EXPECT_EQ(state.DisplayText, text);
}

TEST_F(LoadCommand, CancelledDialogChangesNothingAndDoesNotAllowProgramming) {
  window.ChooseNext(std::nullopt);
  commands.OnJedecLoad();
  EXPECT_FALSE(commands.State().JedecLoaded);
  EXPECT_EQ(ReportCount(), 0u);
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_TRUE(window.Texts.empty());

  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text, "まず、JEDECファイルを読み込んで下さい。");
  EXPECT_EQ(ReportCount(), 0u);
  EXPECT_EQ(programmer.BurnCount(), 0);
}

TEST_F(LoadCommand, CancelledDialogAfterACleanLoadKeepsItLoaded) {
  LoadCleanText(TextSetting({7}));
  const std::size_t sent = ReportCount();
  window.ChooseNext(std::nullopt);
  commands.OnJedecLoad();
  EXPECT_TRUE(commands.State().JedecLoaded);
  EXPECT_EQ(ReportCount(), sent);
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({7}));
}

TEST_F(LoadCommand, SyntaxErrorShowsMessageThenTextWithCaretAndSendsNothing) {
  LoadCleanText(TextSetting({3}));
  const std::size_t sent = ReportCount();
  window.Events.clear();
  // The F field would clear fuse 3 and the L field set fuse 0 before the reader stops at 'x'.
  const std::string text = "hdr\r\n*F0*L0 1 1x0*\r\n";
  Load(WriteFile("bad.jed", text));

  ASSERT_EQ(window.Boxes.size(), 1u);
  ExpectErrorBoxOnly(window.Boxes[0]);
  EXPECT_EQ(window.Events, (std::vector<std::string>{"open", "box", "text", "caret"}));
  EXPECT_EQ(window.Texts.back(), text);
  EXPECT_EQ(window.Carets.back(), text.find('x'));
  EXPECT_EQ(ReportCount(), sent);
  EXPECT_FALSE(commands.State().JedecLoaded);
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({3}));  // as before this load
  EXPECT_EQ(commands.State().DisplayText, text);

  // A rejected file cannot be burned.
  commands.OnDeviceWrite();
  EXPECT_EQ(window.Boxes.back().Text, "まず、JEDECファイルを読み込んで下さい。");
  EXPECT_EQ(programmer.BurnCount(), 0);
}

TEST_F(LoadCommand, ChecksumMismatchAnsweredCancelAsksThenReportsErrorAtTheCField) {
  const std::string text = "x*QF5892*F0*L0 111111111111*C1234*";
  window.AnswerNext(MessageAnswer::Cancel);
  Load(WriteFile("sum.jed", text));

  ASSERT_EQ(window.Boxes.size(), 2u);
  EXPECT_EQ(window.Boxes[0].Text, "チェックサム：\r\n与えられたもの 1234 計算された 010E");
  EXPECT_EQ(window.Boxes[0].Title, "Gantrel");
  EXPECT_EQ(window.Boxes[0].Icon, MessageIcon::None);
  EXPECT_EQ(window.Boxes[0].Buttons, MessageButtons::OkCancel);
  ExpectErrorBoxOnly(window.Boxes[1]);
  EXPECT_EQ(window.Carets, std::vector<std::size_t>{text.find('C')});
  EXPECT_EQ(ReportCount(), 0u);
  EXPECT_FALSE(commands.State().JedecLoaded);
  EXPECT_EQ(commands.State().FuseArray, FuseArray{});
  EXPECT_EQ(commands.State().GivenChecksum, 0x1234);
}

TEST_F(LoadCommand, ChecksumMismatchAnsweredOkLoadsAsCorrect) {
  window.AnswerNext(MessageAnswer::Ok);
  Load(WriteFile("sum.jed", "x*QF5892*F0*L0 111111111111*Cabcd*"));
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text, "チェックサム：\r\n与えられたもの ABCD 計算された 010E");
  EXPECT_TRUE(commands.State().JedecLoaded);
  ExpectUploadOf(FusesSetting({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), 0);
}

TEST_F(LoadCommand, OtherDeviceAnsweredCancelCountsAsErrorAndLeavesNoTrace) {
  const std::string path = Sample("daveho__GALasm__Counter.jed");  // a 16V8: QF2194, no QP
  window.AnswerNext(MessageAnswer::Cancel);
  Load(path);
  ASSERT_EQ(window.Boxes.size(), 2u);
  EXPECT_EQ(window.Boxes[0].Text,
            "このJEDECファイルはATF22LV10C用ではない可能性があります（QF=2194、QP=0）。\r\n"
            "このまま続けますか？");
  EXPECT_EQ(window.Boxes[0].Title, "Gantrel");
  EXPECT_EQ(window.Boxes[0].Icon, MessageIcon::None);
  EXPECT_EQ(window.Boxes[0].Buttons, MessageButtons::OkCancel);
  ExpectErrorBoxOnly(window.Boxes[1]);
  EXPECT_EQ(window.Events, (std::vector<std::string>{"open", "box", "box", "text", "caret"}));
  EXPECT_EQ(ReportCount(), 0u);
  EXPECT_FALSE(commands.State().JedecLoaded);
  EXPECT_EQ(commands.State().FuseArray, FuseArray{});
}

TEST_F(LoadCommand, OtherDeviceAnsweredOkLoadsAndUploads) {
  window.AnswerNext(MessageAnswer::Ok);
  Load(Sample("simon-frankau__galette__GAL20V8_reg.jed"));  // QF2706
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_NE(window.Boxes[0].Text.find("（QF=2706、QP=0）"), std::string::npos);
  EXPECT_TRUE(commands.State().JedecLoaded);
  EXPECT_EQ(programmer.UploadCount(), 1);
}

TEST_F(LoadCommand, NoProgrammerLoadsQuietlyAndProgramThenTellsItIsMissing) {
  backend.SetAbsent(true);
  link.Close();
  const int searches = backend.DiscoveryCount();
  LoadCleanText(TextSetting({5}));
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_EQ(window.Texts.size(), 1u);
  EXPECT_GT(backend.DiscoveryCount(), searches);  // it looked for the programmer again
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({5}));

  commands.OnDeviceWrite();
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text, "プログラマが見つかりません。接続を確認して下さい。");
  EXPECT_EQ(window.Boxes[0].Title, "注意");
  EXPECT_EQ(window.Boxes[0].Icon, MessageIcon::Exclamation);
  EXPECT_EQ(ReportCount(), 0u);
}

TEST_F(LoadCommand, ProgrammerPluggedInLaterIsFoundByTheNextLoad) {
  backend.SetAbsent(true);
  link.Close();
  LoadCleanText(TextSetting({5}));
  EXPECT_EQ(ReportCount(), 0u);
  backend.SetAbsent(false);
  LoadCleanText(TextSetting({6}));
  ExpectUploadOf(FusesSetting({6}), 0);
}

TEST_F(LoadCommand, UploadWithoutAnswerReportsTheStepAndLeavesItNotLoaded) {
  FaultAtNextReport(SimulatedFaultKind::Stop, 4);  // the fifth report of the upload
  const std::string text = TextSetting({9});
  Load(WriteFile("a.jed", text));

  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text,
            "プログラマとの通信に失敗しました。（送信 5/13：2秒以内に応答がありません）\r\n"
            "プログラマを接続し直して下さい。");
  EXPECT_EQ(window.Boxes[0].Title, "失敗");
  EXPECT_EQ(window.Boxes[0].Icon, MessageIcon::Error);
  EXPECT_EQ(window.Events, (std::vector<std::string>{"open", "progress", "end", "box", "text"}));
  EXPECT_EQ(ReportCount(), 5u);  // nothing is sent after the report left unanswered
  EXPECT_FALSE(commands.State().JedecLoaded);
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({9}));

  programmer.Reconnect();
  commands.OnDeviceWrite();
  EXPECT_EQ(window.Boxes.back().Text, "まず、JEDECファイルを読み込んで下さい。");
  EXPECT_EQ(programmer.BurnCount(), 0);
}

TEST_F(LoadCommand, ProgrammerVanishingDuringUploadIsReported) {
  FaultAtNextReport(SimulatedFaultKind::Vanish, 2);
  Load(WriteFile("a.jed", TextSetting({1})));
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text.rfind("プログラマとの通信に失敗しました。（送信 3/13：", 0), 0u)
      << window.Boxes[0].Text;
  EXPECT_FALSE(commands.State().JedecLoaded);
  EXPECT_FALSE(link.IsOpen());
}

TEST_F(LoadCommand, UnreadableFilesAreRefusedAndChangeNothing) {
  LoadCleanText(TextSetting({4}));
  const std::size_t sent = ReportCount();
  window.Events.clear();

  std::filesystem::create_directory(dir / "folder.jed");
  Load(TempPath("folder.jed"));
  Load(TempPath("missing.jed"));
  Load(WriteFile("huge.jed", std::string(kMaxJedecFileBytes + 1, '*')));

  ASSERT_EQ(window.Boxes.size(), 3u);
  EXPECT_EQ(window.Boxes[0].Text, "ファイルを開けませんでした。（ファイルではなくフォルダです）");
  EXPECT_EQ(
      window.Boxes[1].Text.rfind("ファイルを開けませんでした。（ファイルが見つかりません（", 0), 0u)
      << window.Boxes[1].Text;
  EXPECT_EQ(window.Boxes[2].Text,
            "ファイルを開けませんでした。（ファイルが大きすぎます（1 MiBを超えています））");
  for (const RecordedBox& box : window.Boxes) {
    EXPECT_EQ(box.Title, "失敗");
    EXPECT_EQ(box.Icon, MessageIcon::Error);
    EXPECT_EQ(box.Buttons, MessageButtons::Ok);
  }
  EXPECT_TRUE(window.Texts.size() == 1u);  // only the clean load's text
  EXPECT_EQ(ReportCount(), sent);
  EXPECT_TRUE(commands.State().JedecLoaded);
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({4}));
}

TEST_F(LoadCommand, FileOfExactlyOneMiBIsRead) {
  std::string bytes = TextSetting({2});
  bytes.resize(kMaxJedecFileBytes, ' ');
  Load(WriteFile("big.jed", bytes));
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_EQ(window.Texts.back().size(), kMaxJedecFileBytes);
  EXPECT_TRUE(commands.State().JedecLoaded);
}

TEST_F(LoadCommand, FileWithoutFFieldPatchesTheFusesHeldBefore) {
  LoadCleanText(TextSetting({0, 1, 2}));
  LoadCleanText("patch\r\n*L10 1\r\n*L1 0\r\n*\r\n");
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({0, 2, 10}));
  ExpectUploadOf(FusesSetting({0, 2, 10}), 13);
}

TEST_F(LoadCommand, EmptyFileShowsEmptyTextAndUploadsTheFusesHeldBefore) {
  LoadCleanText(TextSetting({42}));
  Load(WriteFile("empty.jed", ""));
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_EQ(window.Texts.back(), "");
  EXPECT_TRUE(commands.State().JedecLoaded);
  ExpectUploadOf(FusesSetting({42}), 13);
}

TEST_F(LoadCommand, SameFileTwiceUploadsTheSameImageTwice) {
  const std::string path = WriteFile("a.jed", TextSetting({100, 200}));
  Load(path);
  Load(path);
  EXPECT_EQ(programmer.UploadCount(), 2);
  ExpectUploadOf(FusesSetting({100, 200}), 13);
}

TEST_F(LoadCommand, FileBeyondTheOldBufferIsReadWholeAndJudgedWhole) {
  // The 70 KB CPLD file: the reader stops at its first L address beyond the fuse map.
  Load(Sample("LIV2__RIPPLE-IDE__RIPPLE.jed"));
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text, kFileError);
  EXPECT_EQ(window.Texts.back().size(), 70193u);
  EXPECT_EQ(window.Carets.back(), 15717u);
  EXPECT_EQ(ReportCount(), 0u);
}

}  // namespace
}  // namespace gantrel
