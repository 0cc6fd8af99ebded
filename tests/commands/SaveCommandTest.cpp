// The save command, and the round trips through a saved file.
#include <gtest/gtest.h>

#include <algorithm>

#include "CommandsFixture.h"
#include "JedecFraming.h"

namespace gantrel {
namespace {

using SaveCommand = CommandsFixture;

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SaveCommand, CancelledDialogWritesNothing) {
  LoadCleanText(TextSetting({1}));
  const std::vector<std::string> before = FilesIn(dir);
  window.ChooseNext(std::nullopt);
  commands.OnJedecSave();
  EXPECT_EQ(window.Events.back(), "save");
  EXPECT_EQ(FilesIn(dir), before);
  EXPECT_EQ(window.SavedCount, 0);
  EXPECT_TRUE(window.Boxes.empty());
}

TEST_F(SaveCommand, RightAfterStartWritesTheSixBytesOfAnEmptyText) {
  window.ChooseNext(TempPath("empty"));
  commands.OnJedecSave();
  EXPECT_EQ(ReadFile(TempPath("empty")), std::string("\x02\x03"
                                                     "0005"));
  EXPECT_EQ(window.SavedCount, 1);
  EXPECT_TRUE(window.Boxes.empty());  // no message on success
}

TEST_F(SaveCommand, WritesTheTextAsItStandsWithEditsAndReplacesAnExistingFile) {
  LoadCleanText(TextSetting({1}));
  const std::string path = WriteFile("old.jed", "old content that must go");
  window.Edit("abc");
  window.ChooseNext(path);
  commands.OnJedecSave();
  EXPECT_EQ(ReadFile(path), std::string("\x02"
                                        "abc\x03"
                                        "012B"));
  EXPECT_EQ(window.Events.back(), "saved");
  // Saving changes neither the fuse map nor what the commands last showed.
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({1}));
  EXPECT_EQ(commands.State().DisplayText, TextSetting({1}));
}

TEST_F(SaveCommand, WriteFailuresAreToldAndLeaveNoFile) {
  LoadCleanText(TextSetting({1}));
  std::filesystem::create_directory(dir / "folder.jed");
  window.ChooseNext(TempPath("folder.jed"));
  commands.OnJedecSave();
  window.ChooseNext(TempPath("no-such-folder/a.jed"));
  commands.OnJedecSave();

  ASSERT_EQ(window.Boxes.size(), 2u);
  EXPECT_EQ(window.Boxes[0].Text,
            "ファイルを保存できませんでした。（ファイルではなくフォルダです）");
  EXPECT_EQ(window.Boxes[1].Text.rfind(
                "ファイルを保存できませんでした。（保存先のフォルダが見つかりません", 0),
            0u)
      << window.Boxes[1].Text;
  for (const RecordedBox& box : window.Boxes) {
    EXPECT_EQ(box.Title, "失敗");
    EXPECT_EQ(box.Icon, MessageIcon::Error);
    EXPECT_EQ(box.Buttons, MessageButtons::Ok);
  }
  EXPECT_EQ(window.SavedCount, 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.jed"));
  EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));
}

TEST_F(SaveCommand, TextTooLargeToLoadAgainIsRefused) {
  const std::string path = WriteFile("keep.jed", "keep");
  window.Edit(std::string(kMaxJedecFileBytes, 'x'));
  window.ChooseNext(path);
  commands.OnJedecSave();
  ASSERT_EQ(window.Boxes.size(), 1u);
  EXPECT_EQ(window.Boxes[0].Text,
            "ファイルを保存できませんでした。（ファイルが大きすぎます（1 MiBを超えています））");
  EXPECT_EQ(ReadFile(path), "keep");
  EXPECT_EQ(window.SavedCount, 0);
}

TEST_F(SaveCommand, TextBeyondTheOldBufferIsSavedWholeAndLoadsBack) {
  const std::string text = std::string(20000, 'c') + TextSetting({5, 6});
  window.Edit(text);
  window.ChooseNext(TempPath("long.jed"));
  commands.OnJedecSave();
  EXPECT_EQ(ReadFile(TempPath("long.jed")).size(), text.size() + 6);
  Load(TempPath("long.jed"));
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_EQ(window.Texts.back(), text);
  EXPECT_EQ(commands.State().FuseArray, FusesSetting({5, 6}));
}

TEST_F(SaveCommand, LoadSaveLoadGivesTheSameTextAndFuses) {
  Load(Sample("RobertBaruch__22V10-74F269__COUNTER.jed"));
  ASSERT_TRUE(window.Boxes.empty());
  const std::string text = window.Texts.back();
  const FuseArray fuses = commands.State().FuseArray;

  window.ChooseNext(TempPath("copy.jed"));
  commands.OnJedecSave();
  EXPECT_EQ(CheckTransmission(ReadFile(TempPath("copy.jed"))).Status, TransmissionStatus::Ok);

  commands.State().FuseArray.fill(0);
  Load(TempPath("copy.jed"));
  EXPECT_TRUE(window.Boxes.empty());
  EXPECT_EQ(window.Texts.back(), text);
  EXPECT_EQ(commands.State().FuseArray, fuses);
  EXPECT_EQ(programmer.UploadCount(), 2);
}

TEST_F(SaveCommand, ReadSaveLoadGivesTheChipsFuses) {
  FuseImage chip{};
  for (std::size_t i = 0; i < chip.size(); ++i) chip[i] = static_cast<std::uint8_t>(i * 37 + 11);
  programmer.SetChipImage(chip);
  commands.OnDeviceRead();
  window.ChooseNext(TempPath("chip.jed"));
  commands.OnJedecSave();

  commands.State().FuseArray.fill(1);
  Load(TempPath("chip.jed"));
  EXPECT_TRUE(window.Boxes.empty());
  FuseArray expected{};
  UnpackFuseImage(chip, expected);
  const FuseArray& loaded = commands.State().FuseArray;
  for (int fuse = 0; fuse < kDeviceFuseCount; ++fuse) {
    ASSERT_EQ(loaded[static_cast<std::size_t>(fuse)], expected[static_cast<std::size_t>(fuse)])
        << "fuse " << fuse;
  }
  // The text's F0 clears what it does not list, beyond the chip's fuses too.
  EXPECT_EQ(loaded[5892], 0);
  EXPECT_EQ(loaded[9999], 0);
}

}  // namespace
}  // namespace gantrel
