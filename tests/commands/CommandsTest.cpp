// The five commands end to end: a scripted text area and boxes, the simulated programmer, and
// scenarios of steps whose boxes, texts and burns are checked in one log.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <iterator>
#include <sstream>

#include "Commands.h"
#include "JedecFraming.h"
#include "JedecLoad.h"
#include "ScriptedDialogs.h"
#include "SimulatedProgrammer.h"
#include "TestSupport.h"

namespace gantrel {
namespace {

using Strings = std::vector<std::string>;
using namespace std::string_literals;

// A box as ScriptedDialogs logs it.
const std::string kAsked = "[Gantrel -?] ", kNotice = "[注意 !.] ", kFailure = "[失敗 x.] ";
const std::string kSucceeded = "[成功 -.] 書き込みに成功しました。";
const std::string kLoadFirst = kNotice + "まず、JEDECファイルを読み込んで下さい。";
const std::string kNotFound = kNotice + "プログラマが見つかりません。接続を確認して下さい。";
const std::string kOutOfStep =
    kNotice + "プログラマとの前回の通信が途中で失敗しました。\r\nプログラマを接続し直して下さい。";
const std::string kDiscard =
    "[Gantrel !?] 編集した内容は保存されていません。\r\n編集内容を破棄して続けますか？";
const std::string kFileError = "[Gantrel -.] JEDECファイルにエラーがあります。";
const std::string kNoFuses = "[Gantrel -.] JEDECファイルにヒューズの指定がありません。";
std::string AskedPartial(int set) {
  return "[Gantrel !?] このJEDECファイルはヒューズの一部しか指定していません（5892個中" +
         std::to_string(set) +
         "個）。\r\n指定のないヒューズは前の値のままになります。このまま続けますか？";
}
const std::string kBurnAsked =
    "[Gantrel !?] 表示中の内容は、プログラマに送った内容と異なります。\r\n"
    "最後に読み込んだJEDECファイルの内容を書き込みますか？";
const std::string kCannotOpen = kFailure + "ファイルを開けませんでした。（";
std::string Broken(const std::string& step) {
  return kFailure + "プログラマとの通信に失敗しました。（" + step +
         "）\r\nプログラマを接続し直して下さい。";
}

// The text area and progress display, logged in the same list as the boxes: "progress",
// "end", "text", "caret N", "saved".
struct ScriptedWindow : Window {
  explicit ScriptedWindow(Strings& events) : Events(events) {}
  Strings& Events;
  std::optional<std::string> Edited;  // what the user made of the text shown
  std::string Text;                   // the text last shown

  void ShowText(std::string_view bytes) override {
    Events.push_back("text"), Text = bytes, Edited = {};
  }
  void PlaceCaret(std::size_t offset) override {
    Events.push_back("caret " + std::to_string(offset));
  }
  std::string ShownText() override { return Edited.value_or(Text); }
  bool HasUnsavedEdits() const override { return Edited.has_value(); }
  void TextSaved() override { Events.push_back("saved"), Text = ShownText(), Edited = {}; }
  // A box shown while the progress display is up would stand between these two.
  void ShowProgress(std::string_view) override {
    if (Events.empty() || Events.back() != "progress") Events.push_back("progress");
  }
  void EndProgress() override { Events.push_back("end"); }
};

FuseArray Fuses(std::initializer_list<int> set) {
  FuseArray fuses{};
  for (int fuse : set) fuses[static_cast<std::size_t>(fuse)] = 1;
  return fuses;
}

FuseImage ImageOf(const FuseArray& fuses) {
  FuseImage image{};
  PackFuseImage(fuses, image);
  return image;
}

// The commands over the simulated programmer, found at start. In its folder: clean.jed (fuse 3
// set), a folder named folder.jed and a FIFO named fifo.
struct Rig {
  Rig() {
    testing::WriteFileBytes(dir.File("clean.jed"), "t*F0*L3 1*");
    std::filesystem::create_directory(dir.Path() / "folder.jed");
    mkfifo(dir.File("fifo").c_str(), 0600);
    commands.OpenProgrammer();
  }
  // One step: "load FILE ANSWER..." ("-" cancels the dialog; the answers go to the questions
  // asked), "save FILE", "write ANSWER...", "read ANSWER...", "pes", "fault LIST" (in the fault
  // language), "replug", "unplug", "plug", "denied" (the programmer plugged in again and refusing
  // to open), "edit TEXT" (the user's edit of the text shown), "--", which clears the log and
  // counts reports sent from there, and "loaded" (clean.jed loaded, then "--").
  void Run(const std::string& step) {
    std::istringstream in(step);
    const Strings w{std::istream_iterator<std::string>(in), {}};
    const std::string& verb = w.front();
    if (verb == "load" || verb == "save")
      dialogs.Script.push_back(w[1] == "-" ? "" : dir.File(w[1]));
    if (verb == "load") dialogs.Script.insert(dialogs.Script.end(), w.begin() + 2, w.end());
    if (verb == "load") commands.OnJedecLoad();
    if (verb == "save") commands.OnJedecSave();
    if (verb == "read" || verb == "write")
      dialogs.Script.insert(dialogs.Script.end(), w.begin() + 1, w.end());
    if (verb == "write") commands.OnDeviceWrite();
    if (verb == "read") commands.OnDeviceRead();
    if (verb == "pes") commands.OnPesRead();
    std::vector<SimulatedFault> faults;
    std::string error;
    if (verb == "fault") {
      ASSERT_TRUE(ParseSimulatedFaults(w[1], faults, error)) << error;
      programmer.SetFaults(faults);
    }
    if (verb == "denied") backend.SetOpenFailure("Permission denied", true);
    if (verb == "unplug" || verb == "plug") backend.SetAbsent(verb == "unplug");
    if (verb == "replug" || verb == "unplug" || verb == "denied") programmer.Reconnect();
    if (verb == "edit") window.Edited = w[1];
    if (verb == "loaded") Run("load clean.jed"), Run("--");
    if (verb == "--") dialogs.Events.clear(), mark = programmer.ReportCount();
  }
  std::uint64_t Sent() const { return programmer.ReportCount() - mark; }

  testing::TempDir dir;
  SimulatedProgrammer programmer;
  SimulatedBackend backend{programmer};
  DeviceLink link{backend};
  testing::ScriptedDialogs dialogs;
  ScriptedWindow window{dialogs.Events};
  Commands commands{window, dialogs, link, &testing::ExampleTime};
  std::uint64_t mark = 0;
};

// What a list of steps does: the boxes and texts, what reached the programmer and the chip.
struct Scenario {
  const char* name;
  const char* steps;                    // separated by "; "
  Strings events;                       // after the last "--"
  std::uint64_t sent;                   // reports that reached the programmer after the last "--"
  FuseArray chip;                       // the chip's fuses at the end (blank unless burned)
  std::optional<FuseArray> fuses = {};  // the working fuse map at the end
  std::string file = "";                // the bytes of a.jed
};

Strings operator+(Strings first, const Strings& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

void RunScenarios(std::initializer_list<Scenario> scenarios) {
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    Rig r;
    testing::WriteFileBytes(r.dir.File("a.jed"), s.file);
    std::istringstream steps(s.steps);
    for (std::string step; std::getline(steps >> std::ws, step, ';');) r.Run(step);
    EXPECT_EQ(r.dialogs.Events, s.events);
    EXPECT_EQ(r.Sent(), s.sent);
    EXPECT_EQ(r.programmer.ChipImage(), ImageOf(s.chip));
    if (s.fuses) {
      EXPECT_EQ(r.commands.State().FuseArray, *s.fuses);
    }
    EXPECT_TRUE(r.dialogs.Script.empty() && r.dialogs.Unexpected == 0);
  }
}

// Each text's verdicts in turn, each overlooked until one stays, and how many of the map's
// fuses it sets.
TEST(JedecLoad, ATextMustSayWhatEveryFuseIs) {
  struct Row {
    const char* name;
    std::string text;
    std::vector<CheckStatus> verdicts;
    std::int32_t set;
  };
  using C = CheckStatus;
  const std::string zeros(kDeviceFuseCount, '0');
  // clang-format off
  const Row rows[] = {
      {"binary: ends at its first zero byte", "\x7f" "ELF\x02*G0*"s + '\0' + "*F0*", {C::NoFuses}, 0},
      {"checksum first, then no fuses", "*QF5892*C0001*", {C::ChecksumMismatch, C::NoFuses}, 0},
      {"other device, then partial", "*QP20*L0 1*", {C::OtherDevice, C::Partial, C::Ok}, 1},
      {"QF5828: one short", "*QF5828*L0 " + zeros.substr(0, 5827) + "*", {C::Partial, C::Ok}, 5827},
      {"QF5828: the map without the UES", "*QF5828*L0 " + zeros.substr(0, 5828) + "*", {C::Ok}, 5828},
      {"every fuse listed", "*L1 " + zeros.substr(1) + "*L0 0*", {C::Ok}, 5892},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LoadedJedecFile file = LoadJedecBytes("x.jed", row.text, FuseArray{});
    EXPECT_EQ(FusesSet(file.Read), row.set);
    std::vector<CheckStatus> seen{file.Status};
    for (Overlook(file); seen.back() != file.Status; Overlook(file)) seen.push_back(file.Status);
    EXPECT_EQ(seen, row.verdicts);
  }
}

const Strings kBurned{"progress", "end", kSucceeded};
const Strings kUploaded{"progress", "end", "text"};

// After a clean load of fuse 3: another load, then 書き込み.
TEST(LoadCommand, EachFileShowsItsBoxesAndOnlyACleanOneIsUploadedAndBurned) {
  const std::string sum = kAsked + "チェックサム：\r\n与えられたもの 0000 計算された 0002";
  const std::string other = kAsked +
                            "このJEDECファイルはATF22LV10C用ではない可能性があります（QF=2194、"
                            "QP=24）。\r\nこのまま続けますか？";
  const char* load = "loaded; load a.jed; write";
  const Strings clean = Strings{"open"} + kUploaded + kBurned, ok = Strings{"open"} + kBurned;
  const FuseArray three = Fuses({3});
  const auto refused = [&](const std::string& why) {
    return Strings{"open", kCannotOpen + why + "）"} + kBurned;
  };
  // A load that read the device for ever would end the run here rather than hang it.
  alarm(60);
  // clang-format off
  RunScenarios({
      {"cancelled: the last load stays", "loaded; load -; write", ok, 13, three, three},
      {"a device: refused at once", "loaded; load /dev/zero; write",
       refused("通常のファイルではありません"), 13, three, three},
      {"a FIFO: refused at once", "loaded; load fifo; write",
       refused("通常のファイルではありません"), 13, three, three},
      {"a folder", "loaded; load folder.jed; write", refused("ファイルではなくフォルダです"), 13,
       three, three},
      {"1 MiB", load, clean, 26, Fuses({2}), Fuses({2}),
       "t*F0*L2 1*" + std::string(kMaxJedecFileBytes - 10, ' ')},
      {"partial, OK: unset fuses kept from the last load", "loaded; load a.jed OK; write",
       Strings{"open", AskedPartial(2)} + kUploaded + kBurned, 26, Fuses({3, 10}), Fuses({3, 10}),
       "patch\r\n*L10 1\r\n*L4 0\r\n*\r\n"},
      {"partial, Cancel: caret at the end", "loaded; load a.jed Cancel; write", {"open",
       AskedPartial(1), kFileError, "text", "caret 7", kLoadFirst}, 0, {}, three, "x*L3 1*"},
      {"no fuses: caret at the start", load, {"open", kNoFuses, "text", "caret 0", kLoadFirst}, 0,
       {}, three, "\xff\xfe*\0F\0"s},
      {"syntax error: caret on the bad byte", load, {"open", kFileError, "text", "caret 15",
       kLoadFirst}, 0, {}, three, "hdr\r\n*F0*L0 1 1x0*\r\n"},
      {"too large", load, Strings{"open", kCannotOpen + "ファイルが大きすぎます（1 MiBを超えて"
       "います））"} + kBurned, 13, three, three, std::string(kMaxJedecFileBytes + 1, '*')},
      {"checksum OK, other device Cancel", "loaded; load a.jed OK Cancel; write", {"open", sum,
       other, kFileError, "text", "caret 27", kLoadFirst}, 0, {}, three,
       "*QF2194*QP24*F0*L1 1*C0000*"},
      {"upload broken off: no more sent", "loaded; fault stop@18; load a.jed; write", {"open",
       "progress", "end", Broken("送信 5/13：2秒以内に応答がありません"), "text", kOutOfStep}, 5,
       {}, Fuses({9}), "t*F0*L9 1*"},
  });
  // clang-format on
  alarm(0);
}

// After a clean load: 書き込み, 読み込み and PES取得 that cannot run or break off, each with one
// box and the fuse map kept; burns only over the connection that took the load; the questions
// before a burn, load or read over text that is not the one uploaded.
TEST(DeviceCommands, EachScenarioShowsItsBoxesAndBurnsOnlyTheUpload) {
  const auto broken = [](const std::string& step) {
    return Strings{"progress", "end", Broken(step)};
  };
  const std::string gone = "プログラマが切断されました（device disconnected）";
  const std::string denied =
      kNotice +
      "プログラマを開けませんでした。（アクセス権がありません"
      "（Permission denied））\r\nudevルール（60-gantrel.rules）をインストールし、"
      "プログラマを接続し直して下さい。";
  const Strings late{"open", "progress", "end", Broken("送信 5/13：2秒以内に応答がありません"),
                     "text"};
  const std::string nine = "t*F0*L9 1*";
  // clang-format off
  RunScenarios({
      {"write refused by the chip", "loaded; fault burn-fails; write",
       {"progress", "end", kFailure + "書き込みに失敗しました。"}, 1, {}},
      {"write unanswered: the outcome unknown", "loaded; fault stop@14; write",
       broken("書き込み命令：20秒以内に応答がありません。チップに書き込まれたかどうかは分かりま"
       "せん"), 1, Fuses({3})},
      {"verify read broken off, then out of step", "loaded; fault stop@20; write; write",
       broken("ブロック 6/12：2秒以内に応答がありません") + Strings{kOutOfStep}, 7, Fuses({3})},
      {"verify: a stuck fuse in the last block differs", "fault stuck@5890; load a.jed; --; write",
       {"progress", "end", kFailure + "書き込みに失敗しました。\r\n（照合：5892個中1個のヒューズが"
       "書き込んだ内容と違います）"}, 13, Fuses({3}), {}, "t*F0*L3 1*L5890 1*"},
      {"read: programmer gone at the third ack", "loaded; fault vanish@17; read",
       broken("ブロック 3/12の受信確認：" + gone), 4, {}, Fuses({3})},
      {"write, permission denied", "denied; write", {denied}, 0, {}},
      // No 'w' reaches a programmer that did not receive the loaded image over the same
      // connection, none reaches one out of step, and a load without a programmer stays quiet.
      {"replugged, read anew", "loaded; fault replug@14; read; write",
       kUploaded + Strings{kLoadFirst}, 12, {}, Fuses({})},
      {"upload broken off, loaded again",
       "loaded; fault late@18; load clean.jed; load clean.jed; write",
       late + Strings{"open", kOutOfStep, "text", kOutOfStep}, 5, {}},
      {"loaded while absent, plugged in, loaded again",
       "unplug; load clean.jed; plug; write; load clean.jed; write",
       Strings{"open", "text", kLoadFirst, "open"} + kUploaded + kBurned, 26, Fuses({3})},
      // 書き込み asks when the text shown is not the one uploaded (edited, saved or not, or
      // read); Cancel sends nothing, OK burns the upload.
      {"edited, Cancel", "loaded; edit x; write Cancel", {kBurnAsked}, 0, {}},
      {"edited and saved, OK", "loaded; edit x; save b.jed; --; write OK",
       Strings{kBurnAsked} + kBurned, 13, Fuses({3})},
      // Edited text is replaced only with the user's OK; Cancel changes and sends nothing. The
      // read asks once the programmer can be read.
      {"load over edits, Cancel", "loaded; edit x; load a.jed Cancel", {"open", kDiscard}, 0, {},
       Fuses({3}), nine},
      {"load over edits, OK", "loaded; edit x; load a.jed OK",
       Strings{"open", kDiscard} + kUploaded, 13, {}, Fuses({9}), nine},
      {"read over edits, Cancel", "loaded; edit x; read Cancel", {kDiscard}, 0, {}, Fuses({3})},
      {"read over edits, unplugged: not asked", "loaded; edit x; unplug; read", {kNotFound}, 0, {}},
      {"read over edits, out of step: not asked", "loaded; fault stop@14; pes; --; edit x; read",
       {kOutOfStep}, 0, {}},
  });
  // clang-format on
}

// Makes `folder` take no new file (`on`) or undoes it: mode 0555, and for root, whom modes do not
// stop, the immutable flag. False when root cannot set that flag here.
bool Freeze(const std::string& folder, bool on) {
  chmod(folder.c_str(), on ? 0555 : 0755);
  if (geteuid() != 0) return true;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) close(fd);
  return done;
}

enum class Around { Nothing, ReadOnlyFolder, ReadFifo };

// 保存 over what the rig's folder holds besides: a.jed (mode 0640, kept) and ro/a.jed ("old"),
// link.jed pointing to a.jed, and full, /dev/full. A failure shows why, leaves every file as it was
// with no temporary file beside it, and the edits unsaved (no "saved"); a FIFO and a device stay
// what they are.
TEST(SaveCommand, ReplacesOnlyAWhollyWrittenFileWritesIntoFifosAndDevicesAndElseShowsWhy) {
  struct Case {
    const char* name;
    const char* chosen;  // in the rig's folder; "-" cancels
    std::string box;     // "saved", or the failure's reason; empty: no box
    Around around = Around::Nothing;
    std::string text = "abc";  // the text shown, edited
  };
  const std::string write = "書き込みに失敗しました（", tooLarge = "ファイルが大きすぎます（1 MiB";
  const std::string denied = geteuid() == 0 ? "Operation not permitted" : "Permission denied";
  const std::vector<Case> cases = {
      {"cancelled", "-", ""},
      {"over a file", "a.jed", "saved"},
      {"through a link: the file it points to", "link.jed", "saved"},
      {"a FIFO that a process reads", "fifo", "saved", Around::ReadFifo},
      {"a FIFO that none reads: no wait", "fifo", "このFIFOを読み取るプロセスがありません）"},
      {"a full device", "full", write + "No space left on device））"},
      {"a folder that takes no new file", "ro/a.jed",
       "保存先のフォルダに書き込めません（" + denied + "））", Around::ReadOnlyFolder},
      {"a folder", "folder.jed", "ファイルではなくフォルダです）"},
      {"a missing folder", "none/a.jed",
       "保存先のフォルダが見つかりません（No such file or directory））"},
      {"too large to load again", "a.jed", tooLarge + "を超えています））", Around::Nothing,
       std::string(kMaxJedecFileBytes, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    std::filesystem::create_directory(r.dir.Path() / "ro");
    for (const char* file : {"a.jed", "ro/a.jed"}) testing::WriteFileBytes(r.dir.File(file), "old");
    chmod(r.dir.File("a.jed").c_str(), 0640);
    std::filesystem::create_symlink("a.jed", r.dir.Path() / "link.jed");
    // Root gets a /dev/full of its own, so that a save that replaced devices would not replace
    // the machine's; others may not replace it anyway.
    if (geteuid() != 0 || mknod(r.dir.File("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
      std::filesystem::create_symlink("/dev/full", r.dir.Path() / "full");
    const auto entries = [&r] {
      return std::distance(std::filesystem::recursive_directory_iterator(r.dir.Path()), {});
    };
    const auto before = entries();
    if (c.around == Around::ReadOnlyFolder && !Freeze(r.dir.File("ro"), true)) {
      std::cout << "Skipped \"" << c.name << "\": root cannot make a folder immutable here\n";
      continue;
    }
    const int reader =
        c.around == Around::ReadFifo ? open(r.dir.File("fifo").c_str(), O_RDONLY | O_NONBLOCK) : -1;
    r.window.Edited = c.text;
    r.Run(std::string("save ") + c.chosen);
    Freeze(r.dir.File("ro"), false);

    const bool saved = c.box == "saved";
    const std::string frame = FrameJedecText(c.text), failed = "ファイルを保存できませんでした。（";
    const Strings events = c.box.empty()
                               ? Strings{"save"}
                               : Strings{"save", saved ? c.box : kFailure + failed + c.box};
    EXPECT_EQ(r.dialogs.Events, events);
    const bool intoA = saved && c.around != Around::ReadFifo;
    EXPECT_EQ(testing::ReadFileBytes(r.dir.File("a.jed")), intoA ? frame : "old");
    EXPECT_EQ(testing::ReadFileBytes(r.dir.File("ro/a.jed")), "old");
    EXPECT_EQ(std::filesystem::status(r.dir.File("a.jed")).permissions(),
              std::filesystem::perms(0640));
    EXPECT_EQ(entries(), before);  // no temporary file left
    EXPECT_TRUE(std::filesystem::is_symlink(r.dir.Path() / "link.jed"));
    EXPECT_TRUE(std::filesystem::is_fifo(r.dir.Path() / "fifo"));
    EXPECT_TRUE(std::filesystem::is_character_file(r.dir.Path() / "full"));
    if (reader >= 0) {
      char got[64];
      EXPECT_EQ(std::string(got, std::max<ssize_t>(0, read(reader, got, sizeof got))), frame);
      close(reader);
    }
  }
}

// The PES box, then the chip read back: the writer's text of its fuses, saved byte for byte with
// its CR LF and loaded again.
TEST(SaveCommand, ReadThenSaveThenLoadGivesTheSameBytesTextAndFuses) {
  Rig r;
  r.programmer.SetChipImage(ImageOf(testing::ExampleFuses()));
  ASSERT_TRUE(r.programmer.SetPes({"ABCD\0FGHI", 9}));
  r.Run("pes");
  r.Run("read");
  EXPECT_EQ(r.dialogs.Events, (Strings{"progress", "end", "pes ABCD", "progress", "end", "text"}));
  r.Run("--");
  r.Run("save copy.jed");
  EXPECT_EQ(testing::ReadFileBytes(r.dir.File("copy.jed")), FrameJedecText(testing::kExampleText));
  r.commands.State().FuseArray.fill(1);
  r.Run("load copy.jed");
  EXPECT_EQ(r.window.Text, testing::kExampleText);
  EXPECT_EQ(r.commands.State().FuseArray, testing::ExampleFuses());
  EXPECT_EQ(r.dialogs.Events, (Strings{"save", "saved", "open", "progress", "end", "text"}));
}

}  // namespace
}  // namespace gantrel
