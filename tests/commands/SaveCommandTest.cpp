// The save command, and the round trips through a saved file.
#include "CommandsRig.h"

namespace gantrel {

TEST(SaveCommand, WritesTheTextAsItStandsFramedOrTellsWhyNot) {
  Rig r;
  r.Load(std::nullopt);
  r.Save(std::nullopt);
  EXPECT_TRUE(std::filesystem::is_empty(r.dir.Path()));
  r.commands.OnDeviceWrite();  // the cancelled load left nothing to burn
  const std::string path = r.dir.File("a.jed");
  r.Save(path);  // right after start: the frame of the empty text
  EXPECT_EQ(testing::ReadFileBytes(path), std::string("\2\0030005", 6));
  r.LoadText("t*F0*L1 1*");
  r.window.Edited = "abc";
  r.Save(path);  // over the file there
  EXPECT_EQ(testing::ReadFileBytes(path), "\2abc\003012B");
  std::filesystem::create_directory(r.dir.Path() / "folder.jed");
  r.Save(r.dir.File("folder.jed"));
  r.Save(r.dir.File("no-such-folder/a.jed"));
  r.window.Edited = std::string(kMaxJedecFileBytes, 'x');  // framed, too large to load again
  r.Save(path);
  const std::string failed = kFailure + "ファイルを保存できませんでした。（";
  EXPECT_EQ(r.dialogs.Events,
            (Strings{"open", "save", kNotice + "まず、JEDECファイルを読み込んで下さい。", "save",
                     "saved", "open", "progress", "end", "text", "save", "saved", "save",
                     failed + "ファイルではなくフォルダです）", "save",
                     failed + "保存先のフォルダが見つかりません（No such file or directory））",
                     "save", failed + "ファイルが大きすぎます（1 MiBを超えています））"}));
  EXPECT_EQ(testing::ReadFileBytes(path), "\2abc\003012B");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(r.dir.Path()), {}), 3);
}

// PES boxes, then the chip read back: the writer's text of its fuses with the fixed signature.
// That text, a real file loaded, and an edited text of 20000 bytes and more: each saved and
// loaded again gives the same text and fuses.
TEST(SaveCommand, ReadOrLoadThenSaveThenLoadGivesTheSameTextAndFuses) {
  Rig r;
  r.programmer.SetChipImage(ImageOf(testing::ExampleFuses()));
  Strings events;
  for (const std::string_view pes : {"ABCD\0FGHI", "\0BCDEFGHI", "ZYXWVUTSR"}) {
    ASSERT_TRUE(r.programmer.SetPes({pes.data(), 9}));
    r.commands.OnPesRead();
    events.insert(events.end(), {"progress", "end", "pes " + std::string(pes)});
  }
  r.commands.OnDeviceRead();
  events.insert(events.end(), {"progress", "end", "text"});
  EXPECT_EQ(r.dialogs.Events, events);
  Reports sent(3, r.Command(CMD_PES));
  sent.push_back(r.Command(CMD_READ));
  sent.resize(15, r.Command(CMD_ACK));
  EXPECT_EQ(r.Since(0), sent);
  Strings steps{"PES取得中…"};
  for (int i = 1; i <= 12; ++i) steps.push_back("受信中 " + std::to_string(i) + "/12");
  EXPECT_EQ(r.window.Steps, steps);
  EXPECT_EQ(r.window.Text, testing::kExampleText);
  FuseArray fuses = testing::ExampleFuses();
  EXPECT_EQ(r.commands.State().FuseArray, fuses);
  EXPECT_FALSE(r.commands.State().JedecLoaded);  // reading does not allow programming
  for (int round = 0; round < 3; ++round) {
    if (round == 1) r.Load(testing::ExamplePath("decoder.jed"));
    if (round == 1) fuses = r.commands.State().FuseArray;
    if (round == 2) r.window.Edited = std::string(20000, 'c') + "*F0*L5 11*";
    if (round == 2) fuses = FusesSetting({5, 6});
    const std::string text = r.window.ShownText();
    r.Save(r.dir.File("copy.jed"));
    r.commands.State().FuseArray.fill(1);
    r.Load(r.dir.File("copy.jed"));
    EXPECT_EQ(r.window.Text, text);
    EXPECT_EQ(r.commands.State().FuseArray, fuses);
    EXPECT_TRUE(r.commands.State().JedecLoaded);
  }
  EXPECT_EQ(r.dialogs.Events.size(), 34u);  // no box
}

}  // namespace gantrel
