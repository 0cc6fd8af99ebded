// The hidapi adapter's own source against a fake of the hidapi functions it calls, linked in
// place of the library. The fake behaves as hidapi 0.13.1's hidraw backend: enumeration may list
// a path twice, a failed open sets errno, a write takes 65 bytes with the report ID 0 in front, a
// read gives the 64 report bytes without an ID, 0 when nothing came in time, and -1 from the
// moment the device is unplugged (queued reports lost).
// Behind the fake sits the simulated programmer's firmware.
#include <gtest/gtest.h>
#include <hidapi.h>

#include <cerrno>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <tuple>
#include <utility>

#include "DeviceLink.h"
#include "HidapiProgrammer.h"
#include "OutOfStepNotes.h"
#include "SimulatedProgrammer.h"
#include "TestSupport.h"

struct hid_device_ {
  int Number;
};

namespace {

using std::chrono::milliseconds;

struct Interface {
  std::string Path;
  unsigned short Vendor, Product;
};

// What the fake holds and what it saw.
struct FakeHid {
  // In enumeration order: a mouse, the programmer (listed twice) and a second programmer.
  std::vector<Interface> Present = {{"/dev/hidraw0", 0x046D, 0xC52B},
                                    {"/dev/hidraw1", 0x04D8, 0x003F},
                                    {"/dev/hidraw1", 0x04D8, 0x003F},
                                    {"/dev/hidraw2", 0x04D8, 0x003F}};
  std::vector<hid_device_info> Listed;  // the last enumeration
  std::map<int, int> FailOpen;          // open number (1-based) -> errno it fails with
  bool Unplugged = false;
  bool FailWrite = false;
  // Changes each answer before it is queued; an answer it leaves empty is not queued.
  std::function<void(std::vector<unsigned char>&)> Change;
  gantrel::SimulatedProgrammer Firmware;
  std::deque<std::vector<unsigned char>> Queue;  // input reports waiting on the read handle
  int Opens = 0;
  int OpenHandles = 0;
};
FakeHid* fake = nullptr;

}  // namespace

extern "C" {

int hid_init(void) {
  return 0;
}

// As hidapi: 0 for the vendor or the product matches any.
hid_device_info* hid_enumerate(unsigned short vendor, unsigned short product) {
  fake->Listed.clear();
  for (const Interface& each : fake->Present) {
    if (fake->Unplugged && each.Vendor == 0x04D8) continue;
    if ((vendor != 0 && each.Vendor != vendor) || (product != 0 && each.Product != product))
      continue;
    hid_device_info& info = fake->Listed.emplace_back();
    info.path = const_cast<char*>(each.Path.c_str());
    info.vendor_id = each.Vendor;
    info.product_id = each.Product;
  }
  for (std::size_t i = 1; i < fake->Listed.size(); ++i) fake->Listed[i - 1].next = &fake->Listed[i];
  return fake->Listed.empty() ? nullptr : fake->Listed.data();
}

void hid_free_enumeration(hid_device_info*) {}

hid_device* hid_open_path(const char* path) {
  const int number = ++fake->Opens;
  EXPECT_STREQ(path, "/dev/hidraw1");  // the first programmer listed
  errno = fake->FailOpen[number];
  if (errno != 0) return nullptr;
  fake->Queue.clear();  // a new handle starts with no reports queued
  ++fake->OpenHandles;
  return new hid_device_{number};
}

int hid_write(hid_device* handle, const unsigned char* data, size_t length) {
  EXPECT_EQ(handle->Number % 2, 1);  // the handle opened first is only written
  // hidraw takes the report ID 0 in front of the 64 bytes of an unnumbered report.
  if (fake->Unplugged || fake->FailWrite || length != 1 + gantrel::kReportSize || data[0] != 0)
    return -1;
  gantrel::Report report{};
  std::copy(data + 1, data + length, report.begin());
  const gantrel::Report firmware = fake->Firmware.TakeReport(report).Answer;
  std::vector<unsigned char> answer(firmware.begin(), firmware.end());
  if (fake->Change) fake->Change(answer);
  if (!answer.empty()) fake->Queue.push_back(answer);
  return static_cast<int>(length);
}

int hid_read_timeout(hid_device* handle, unsigned char* data, size_t length, int ms) {
  EXPECT_EQ(handle->Number % 2, 0);  // the second only read
  EXPECT_TRUE(ms == 0 || ms == 50) << "a probe or one receive slice";
  if (fake->Unplugged) return -1;
  if (fake->Queue.empty()) return 0;
  const std::size_t n = std::min(length, fake->Queue.front().size());
  std::copy_n(fake->Queue.front().begin(), n, data);
  fake->Queue.pop_front();
  return static_cast<int>(n);
}

void hid_close(hid_device* handle) {
  --fake->OpenHandles;
  delete handle;
}

const wchar_t* hid_error(hid_device* handle) {
  if (handle == nullptr) return nullptr;
  return fake->Unplugged ? L"No such device" : L"Broken pipe";
}

}  // extern "C"

namespace gantrel {
namespace {

// The fake with a mouse and the programmer present, and a link over the adapter.
struct Rig {
  Rig() { fake = &hid; }
  FakeHid hid;
  HidapiBackend backend;
  DeviceLink link{backend, LinkTimeouts{milliseconds(100), milliseconds(100), milliseconds(50)}};
  PesBytes pes{};
};

// Each exchange sends exactly its reports (every unused byte 0, nothing of an earlier report
// carried over) and takes one answer per report. Every write is 65 bytes with the report ID 0 in
// front (the fake refuses any other), and the 64 bytes of an answer are the report.
TEST(HidapiAdapter, FourExchangesInARowSendExactlyTheirReportsAndReadTheChipBack) {
  Rig r;
  FuseImage image, back{};
  std::iota(image.begin(), image.end(), std::uint8_t{5});
  std::vector<Report> sent = {Report{CMD_UPLOAD}};
  for (int block = 0; block < kImageBlockCount; ++block)
    std::copy_n(image.begin() + block * kImageBlockSize, kImageBlockSize,
                sent.emplace_back().begin());
  sent.insert(sent.end(), {Report{CMD_PROGRAM}, Report{CMD_READ}});
  sent.insert(sent.end(), kImageBlockCount - 1, Report{CMD_ACK});  // none after block 12
  sent.push_back(Report{CMD_PES});
  r.pes.fill(0xFF);  // its closing zero must come from the exchange
  ASSERT_TRUE(r.link.UploadFuseImage(image).Ok());
  ASSERT_TRUE(r.link.ProgramChip().Burned);
  ASSERT_TRUE(r.link.ReadFuseImage(back).Ok());
  ASSERT_TRUE(r.link.ReadPes(r.pes).Ok());
  EXPECT_EQ(r.hid.Firmware.Received(), sent);
  EXPECT_EQ(back, image);
  EXPECT_EQ(r.pes, kPesBytes);  // answer byte 9 is the first character
}

// What goes wrong at the library boundary, and what discovery and a burn after it make of it.
TEST(HidapiAdapter, FailuresAtTheLibraryBoundaryAreToldByDiscoveryAndTheBurn) {
  const std::string opened = "programmer open at /dev/hidraw1";
  const struct {
    const char* name;
    std::function<void(FakeHid&)> set;
    std::string discovery;
    std::string burn;  // "burned", "not burned" or the failure; "" when none is open
  } cases[] = {
      {"permission denied", [](FakeHid& h) { h.FailOpen[1] = EACCES; },
       "programmer found at /dev/hidraw1 but it could not be opened: Permission denied "
       "(install the udev rule 60-gantrel.rules and reconnect the programmer)",
       ""},
      {"second open fails", [](FakeHid& h) { h.FailOpen[2] = EBUSY; },
       "programmer found at /dev/hidraw1 but it could not be opened: Device or resource busy", ""},
      {"none present", [](FakeHid& h) { h.Present.resize(1); }, "no programmer found", ""},
      {"short input report", [](FakeHid& h) { h.Change = [](auto& a) { a.resize(40); }; }, opened,
       "answer to the program command: short answer (40 of 64 bytes)"},
      {"unplugged before the answer is read",
       [](FakeHid& h) { h.Change = [&h](auto&) { h.Unplugged = true; }; }, opened,
       "answer to the program command: device gone: No such device"},
      {"write fails", [](FakeHid& h) { h.FailWrite = true; }, opened,
       "program command: write failed: Broken pipe"},
      {"never answered", [](FakeHid& h) { h.Change = [](auto& a) { a.clear(); }; }, opened,
       "answer to the program command: no answer within 100 ms"},
      {"answered 0x60", [](FakeHid& h) { h.Change = [](auto& a) { a[0] = 0x60; }; }, opened,
       "not burned"},
      {"listed once, as the kernel lists it",
       [](FakeHid& h) { h.Present.erase(h.Present.begin() + 2); }, opened, "burned"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    c.set(r.hid);
    EXPECT_EQ(DescribeDiscovery(r.link.OpenProgrammer()), c.discovery);
    // A failed second open closes the first handle.
    EXPECT_EQ(r.hid.OpenHandles, r.link.IsOpen() ? 2 : 0);
    if (!r.link.IsOpen()) continue;
    // The burn needs an upload over this connection, made before the fault strikes.
    const auto change = std::exchange(r.hid.Change, {});
    const bool failWrite = std::exchange(r.hid.FailWrite, false);
    ASSERT_TRUE(r.link.UploadFuseImage(FuseImage{}).Ok());
    std::tie(r.hid.Change, r.hid.FailWrite) = std::tie(change, failWrite);
    const ExchangeResult burn = r.link.ProgramChip();
    EXPECT_EQ(burn.Ok() ? (burn.Burned ? "burned" : "not burned") : DescribeExchangeFailure(burn),
              c.burn);
    // Only a probe tells an unplug from a failed read; it closes both handles.
    r.hid.Unplugged = true;
    EXPECT_EQ(r.link.ReadPes(r.pes).Error, ExchangeError::NoProgrammer);
    EXPECT_EQ(r.hid.OpenHandles, 0);
  }
}

// hidraw1's USB device in a sysfs tree under `root`, plugged in as device number `devnum`.
void PlugInAs(const std::filesystem::path& root, int devnum) {
  namespace fs = std::filesystem;
  const fs::path usb = root / "devices/usb1/1-1";
  fs::create_directories(usb / "1-1:1.0/0003:04D8:003F.0001");
  fs::create_directories(root / "class/hidraw/hidraw1");
  std::error_code exists;
  fs::create_directory_symlink(usb / "1-1:1.0/0003:04D8:003F.0001",
                               root / "class/hidraw/hidraw1/device", exists);
  std::ofstream(usb / "busnum") << "1\n";
  std::ofstream(usb / "devpath") << "1\n";
  std::ofstream(usb / "devnum") << devnum << "\n";
}

// A later run (a new backend and link) finds a programmer whose exchange broke off out of step
// and sends it nothing, until it is seen unplugged, plugged in anew or said to be reconnected.
TEST(HidapiAdapter, AnExchangeBrokenOffIsRememberedAcrossRunsUntilTheProgrammerIsReconnected) {
  testing::TempDir sysfs, folder;
  FakeHid hid;
  fake = &hid;
  OutOfStepNotes notes(folder.File("notes")), reconnected(folder.File("notes"), true);
  const auto run = [&](OutOfStepNotes& these) {
    auto backend = std::make_unique<HidapiBackend>(sysfs.Path().string());
    auto link = std::make_unique<DeviceLink>(*backend, LinkTimeouts{milliseconds(100)}, &these);
    link->OpenProgrammer();
    return std::make_pair(std::move(backend), std::move(link));
  };
  const auto noted = [&] { return !std::filesystem::is_empty(folder.Path() / "notes"); };
  PesBytes pes{};
  PlugInAs(sysfs.Path(), 5);
  hid.Change = [&](auto& answer) { answer.resize(hid.Firmware.ReportCount() == 6 ? 0 : 64); };
  auto first = run(notes);
  const ExchangeResult upload = first.second->UploadFuseImage(FuseImage{});
  EXPECT_EQ(DescribeExchangeFailure(upload),
            "answer to report 6 of 13 (block 5): no answer within 100 ms");
  first = {};
  ASSERT_TRUE(noted());
  auto second = run(notes);
  EXPECT_TRUE(second.second->BrokenOffEarlier());
  EXPECT_EQ(second.second->ReadPes(pes).Error, ExchangeError::OutOfStep);
  EXPECT_EQ(hid.Firmware.ReportCount(), 6u) << "nothing sent";
  hid.Unplugged = true;  // the probe's -1
  EXPECT_EQ(second.second->ReadPes(pes).Error, ExchangeError::NoProgrammer);
  EXPECT_FALSE(noted());
  hid.Unplugged = false;
  hid.Firmware.Reconnect();
  for (OutOfStepNotes* these : {&notes, &reconnected}) {
    SCOPED_TRACE(these == &notes ? "plugged in anew" : "--reconnected");
    notes.Leave(PlugInOfHidraw("/dev/hidraw1", sysfs.Path().string()));
    PlugInAs(sysfs.Path(), these == &notes ? 6 : 5);
    auto later = run(*these);
    EXPECT_FALSE(later.second->OutOfStep());
    EXPECT_TRUE(later.second->ReadPes(pes).Ok());
    EXPECT_FALSE(noted());
  }
}

}  // namespace
}  // namespace gantrel
