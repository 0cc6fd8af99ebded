// The load command: file dialog, file errors, the reader's verdict, the device question, the
// upload and the text shown, and what the program command then burns.
#include "CommandsRig.h"

namespace gantrel {

const std::string kFileError = kSaid + "JEDECファイルにエラーがあります。";
const std::string kLoadFirst = kNotice + "まず、JEDECファイルを読み込んで下さい。";

// After a clean load of fuses 3 and 4: one more load, then two program commands (the second
// answered after 3 s, within the 20 s a burn may take). What the load shows and sends, whether
// it leaves something to burn, and the fuse map it leaves.
TEST(LoadCommand, KeepsAndUploadsOnlyWhatLoadedCleanly) {
  const std::string failed = kFailure + "ファイルを開けませんでした。（";
  const std::string sum = kAsked + "チェックサム：\r\n与えられたもの 0002 計算された 0001";
  const std::string other = kAsked + "このJEDECファイルはATF22LV10C用ではない可能性があります（QF=";
  const Strings clean{"open", "progress", "end", "text"};
  using enum SimulatedFaultKind;
  const struct {
    std::optional<std::string> bytes;  // of the file chosen; nothing: the dialog is cancelled
    SimulatedFaultKind fault;          // on the fifth report of the upload
    std::size_t uploaded;              // reports of the upload received
    Strings events;
    FuseArray fuses;
    bool loaded = true;
    std::string file = "a.jed";  // "folder.jed" is a folder, "missing.jed" is not there
    std::optional<MessageAnswer> answer = {};  // to the first question; any other: Cancel
  } cases[] = {
      // clang-format off
      {std::nullopt, {}, 0, {"open"}, FusesSetting({3, 4})},  // cancelled: nothing changes
      {"banner\x02t*F0*L9 1*\x03" "ABCD", {}, 13, clean, FusesSetting({9})},  // framed
      {"t*F0*L2 1*" + std::string(kMaxJedecFileBytes - 10, ' '), {}, 13, clean, FusesSetting({2})},  // 1 MiB
      {"patch\r\n*L10 1\r\n*L4 0\r\n*\r\n", {}, 13, clean, FusesSetting({3, 10})},  // no F field
      {"", {}, 13, clean, FusesSetting({3, 4})},  // empty: the same image uploaded again
      // F0 and L0 act before the reader stops at 'x'.
      {"hdr\r\n*F0*L0 1 1x0*\r\n", {}, 0, {"open", kFileError, "text", "caret 15"}, FusesSetting({3, 4}), false},
      {"", {}, 0, {"open", failed + "ファイルではなくフォルダです）"}, FusesSetting({3, 4}), true, "folder.jed"},
      {"", {}, 0, {"open", failed + "ファイルが見つかりません（No such file or directory））"},
       FusesSetting({3, 4}), true, "missing.jed"},
      {std::string(kMaxJedecFileBytes + 1, '*'), {}, 0,
       {"open", failed + "ファイルが大きすぎます（1 MiBを超えています））"}, FusesSetting({3, 4})},
      // The checksum question, then the device question (QF0 is another device's count);
      // Cancel rejects the file, the caret on the C field or, for the device, at the end.
      {"*QF5892*F0*L0 1*C0002*", {}, 0, {"open", sum, kFileError, "text", "caret 16"}, FusesSetting({3, 4}), false},
      {"*QF5892*F0*L0 1*C0002*", {}, 13, {"open", sum, "progress", "end", "text"}, FusesSetting({0}), true, "a.jed", MessageAnswer::Ok},
      {"*QF0*QP24*F0*L7 1*", {}, 13, {"open", other + "0、QP=24）。\r\nこのまま続けますか？", "progress", "end", "text"},
       FusesSetting({7}), true, "a.jed", MessageAnswer::Ok},
      {"*QF2194*QP24*F0*L1 1*C0000*", {}, 0, {"open", kAsked + "チェックサム：\r\n与えられたもの 0000 計算された 0002",
       other + "2194、QP=24）。\r\nこのまま続けますか？", kFileError, "text", "caret 27"}, FusesSetting({3, 4}), false, "a.jed", MessageAnswer::Ok},
      {"t*F0*L9 1*", Stop, 5, {"open", "progress", "end",
       Broken("送信 5/13：2秒以内に応答がありません"), "text"}, FusesSetting({9}), false},
      {"t*F0*L9 1*", Vanish, 4, {"open", "progress", "end",
       Broken("送信 5/13：プログラマが切断されました（device disconnected）"), "text"}, FusesSetting({9}), false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.events.back());
    Rig r;
    r.LoadText("t*F0*L3 11*");
    r.dialogs.Events.clear();
    if (c.file == "a.jed") testing::WriteFileBytes(r.dir.File(c.file), c.bytes.value_or(""));
    if (c.file == "folder.jed") std::filesystem::create_directory(r.dir.Path() / c.file);
    r.FaultAt(c.fault, 4);
    r.Load(c.bytes ? std::optional(r.dir.File(c.file)) : std::nullopt,
           c.answer == MessageAnswer::Ok ? Strings{"OK"} : Strings{});
    // Nothing is sent after a report that failed.
    EXPECT_EQ(r.programmer.ReportCount(), 13 + (c.fault == None ? c.uploaded : 5));
    if (c.fault != None) r.programmer.Reconnect();
    r.commands.OnDeviceWrite();
    r.FaultAt(Late);
    r.commands.OnDeviceWrite();
    const Strings burn = c.loaded ? Strings{"progress", "end", kSucceeded} : Strings{kLoadFirst};
    Strings events = c.events;
    for (int i = 0; i < 2; ++i) events.insert(events.end(), burn.begin(), burn.end());
    EXPECT_EQ(r.dialogs.Events, events);
    Reports sent = r.Upload(c.fuses);
    sent.resize(c.uploaded);
    sent.insert(sent.end(), c.loaded ? 2 : 0, r.Command(CMD_PROGRAM));
    EXPECT_EQ(r.Since(13), sent);
    EXPECT_EQ(r.programmer.ChipImage(), ImageOf(c.loaded ? c.fuses : FuseArray{}));
    EXPECT_EQ(r.commands.State().FuseArray, c.fuses);
    const bool shown = std::count(c.events.begin(), c.events.end(), "text");
    EXPECT_EQ(r.window.Text, shown ? UnframeJedecText(*c.bytes) : "t*F0*L3 11*");
  }
}

// Real files, judged as the samples' manifest says: clean 22V10s (QP28; QF5828; LF line ends),
// the checksum mismatch and a 16V8 answered both ways, and a 70 KB CPLD file the reader stops in.
TEST(LoadCommand, LoadsRealFilesAsTheManifestSays) {
  GANTREL_REQUIRE_SAMPLES_OR_SKIP();
  const MessageAnswer ok = MessageAnswer::Ok, cancel = MessageAnswer::Cancel;
  // clang-format off
  const std::string sum = kAsked + "チェックサム：\r\n与えられたもの 4432 計算された 4478";
  const std::string other = kAsked + "このJEDECファイルはATF22LV10C用ではない可能性があります"
                            "（QF=2194、QP=0）。\r\nこのまま続けますか？";
  const std::tuple<const char*, std::optional<MessageAnswer>, std::string> cases[] = {
      {"cdhooper__brutus28__SPEED22V10.jed", {}, ""}, {"Wrangler491__AA3000-DSP__U122-r11.jed", {}, ""},
      {"simon-frankau__galette__GAL22V10_reg.jed", {}, ""}, {"LIV2__RIPPLE-IDE__RIPPLE.jed", {}, ""},
      {"daveho__GALasm__GAL22V10.jed", ok, sum}, {"daveho__GALasm__GAL22V10.jed", cancel, sum},
      {"daveho__GALasm__Counter.jed", ok, other}, {"daveho__GALasm__Counter.jed", cancel, other}};
  // clang-format on
  for (const auto& [file, answer, question] : cases) {
    SCOPED_TRACE(file);
    testing::ManifestRow row;
    for (const testing::ManifestRow& each : testing::ReadManifest())
      if (each["file"] == file) row = each;
    Rig r;
    r.Load(testing::SamplePath(file), answer ? Strings{answer == ok ? "OK" : "Cancel"} : Strings{});
    const bool rejected = row["reader"] == "syntax-error" || answer == cancel;
    Strings events{"open", question, kFileError, "text", "caret " + row["result"]};
    if (!rejected) events = {"open", question, "progress", "end", "text"};
    if (!answer) events.erase(events.begin() + 1);
    EXPECT_EQ(r.dialogs.Events, events);
    EXPECT_EQ(r.commands.State().JedecLoaded, !rejected);
    EXPECT_EQ(r.Since(0), rejected ? Reports{} : r.Upload(r.commands.State().FuseArray));
    EXPECT_EQ(testing::Hex4(FuseChecksum(r.commands.State().FuseArray, kDeviceFuseCount)),
              rejected ? "0000" : row["fuse_checksum_5892"]);
  }
}

TEST(LoadCommand, WithoutProgrammerLoadsQuietlyAndTheNextLoadFindsOnePluggedIn) {
  Rig r;
  r.backend.SetAbsent(true), r.link.Close();
  r.LoadText("t*F0*L5 1*");
  r.backend.SetAbsent(false);
  // The programmer plugged in after that load never received its image: nothing to burn.
  r.commands.OnDeviceWrite();
  EXPECT_EQ(r.dialogs.Events, (Strings{"open", "text", kLoadFirst}));
  EXPECT_TRUE(r.programmer.Received().empty());
  r.LoadText("t*F0*L6 1*");
  Strings steps;
  for (int i = 1; i <= 13; ++i) steps.push_back("送信中 " + std::to_string(i) + "/13");
  EXPECT_EQ(r.window.Steps, steps);
  EXPECT_EQ(r.Since(0), r.Upload(FusesSetting({6})));
}

}  // namespace gantrel
