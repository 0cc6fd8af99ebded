// Choosing and opening the programmer among the HID interfaces present.
#include <gtest/gtest.h>

#include "DeviceLink.h"
#include "HidAccess.h"
#include "HidapiAccess.h"
#include "HidapiBackend.h"
#include "SelectProgrammer.h"
#include "SimulatedBackend.h"
#include "SimulatedTransport.h"

namespace gantrel {
namespace {

std::vector<HidCandidate> Candidates(std::initializer_list<const char*> ids) {
  std::vector<HidCandidate> list;
  for (const char* id : ids) list.push_back({"/dev/hidraw" + std::to_string(list.size()), id});
  return list;
}

// A HID layer with a fixed list, where one path fails to open.
struct FakeHid : HidAccess {
  std::vector<HidCandidate> List;
  std::string Refused;              // the path whose open is refused for want of permission
  std::vector<std::string> Opened;  // every path an open was tried on
  SimulatedProgrammer Programmer;

  std::vector<HidCandidate> Enumerate() override { return List; }
  std::unique_ptr<Transport> OpenPath(const std::string& path, DiscoveryStatus& status) override {
    Opened.push_back(path);
    if (path != Refused) return std::make_unique<SimulatedTransport>(Programmer);
    status.Reason = "Permission denied";
    status.PermissionDenied = true;
    return nullptr;
  }
};

TEST(DiscoverProgrammer, OpensOnlyTheFirstInterfaceWhoseIdHoldsThePatternInAnyCase) {
  const auto two = Candidates({"VID_046D&PID_C52B", "VID_04D8&PID_003F", "VID_04D8&PID_003F"});
  const auto others = Candidates(
      {"VID_04D8&PID_003E", "VID_04D9&PID_003F", "VID_04D8&PID_003", "VID_04D8 PID_003F", ""});
  const std::string open0 = "programmer open at /dev/hidraw0", none = "no programmer found",
                    refused =
                        "programmer found at /dev/hidraw1 but it could not be opened: "
                        "Permission denied (install the udev rule 60-gantrel.rules and "
                        "reconnect the programmer)";
  // The candidates, the path whose open is refused, and what discovery says.
  const std::tuple<std::vector<HidCandidate>, std::string, std::string> cases[] = {
      {Candidates({"VID_04D8&PID_003F"}), "", open0},
      {Candidates({"vid_04d8&pid_003f"}), "", open0},
      {Candidates({"Vid_04d8&Pid_003F"}), "", open0},
      {Candidates({"HID\\VID_04D8&PID_003F&REV_0100&MI_00"}), "", open0},
      {two, "", "programmer open at /dev/hidraw1"},
      {two, "/dev/hidraw1", refused},  // the first match that cannot be opened ends the search
      {others, "", none},
      {{}, "", none},
  };
  for (const auto& [list, refusedPath, text] : cases) {
    FakeHid hid;
    hid.List = list;
    hid.Refused = refusedPath;
    DiscoveryStatus status{LinkState::OpenFailed, "/old", "Device or resource busy", true};
    const bool found = DiscoverProgrammer(hid, status) != nullptr;
    EXPECT_EQ(DescribeDiscovery(status), text);
    // Only the chosen one was tried; an open programmer carries no reason from before.
    EXPECT_EQ(hid.Opened, text == none ? std::vector<std::string>{} : std::vector{status.Path});
    EXPECT_EQ(found,
              status.State == LinkState::Open && status.Reason.empty() && !status.PermissionDenied)
        << text;
  }
  EXPECT_EQ(FormatHardwareId(0x04D8, 0x003F), "VID_04D8&PID_003F");
  EXPECT_EQ(FormatHardwareId(0xabcd, 0x0001), "VID_ABCD&PID_0001");
  // One entry per path, the first of each.
  std::vector<HidCandidate> list = {
      {"/a", "1"}, {"/b", "2"}, {"/a", "3"}, {"/c", "4"}, {"/b", "5"}};
  KeepFirstPerPath(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Path + list[0].HardwareId + list[1].Path + list[2].Path, "/a1/b/c");
}

// This machine has no HID devices: hidapi finds nothing and the link says so; a programmer found
// but not opened names the udev rule. Either way every exchange fails at once, touching nothing.
TEST(DeviceLink, WithoutAnOpenProgrammerEveryExchangeFailsAtOnceTouchingNothing) {
  if (SelectProgrammer(HidapiAccess().Enumerate())) GTEST_SKIP() << "a programmer is attached";
  HidapiBackend hidapi;
  SimulatedProgrammer programmer;
  SimulatedBackend refusing(programmer);
  refusing.SetOpenFailure("Permission denied", true);
  const std::pair<DeviceBackend*, std::string> cases[] = {
      {&hidapi, "no programmer found"},
      {&refusing,
       "programmer found at simulated but it could not be opened: Permission denied "
       "(install the udev rule 60-gantrel.rules and reconnect the programmer)"}};
  for (const auto& [backend, text] : cases) {
    DeviceLink link(*backend);
    ReportBuffers buffers{{}, {}, 11, 12};
    buffers.OutReport.fill(0xAB);
    buffers.InReport.fill(0xCD);
    const ReportBuffers before = buffers;
    FuseImage image;
    image.fill(0x33);
    const FuseImage imageBefore = image;
    PesBytes pes = kPesBytes;
    for (const ExchangeResult& result :
         {link.UploadFuseImage(buffers, image), link.ProgramChip(buffers),
          link.ReadFuseImage(buffers, image), link.ReadPes(buffers, pes)}) {
      EXPECT_EQ(result.Error, ExchangeError::NoProgrammer);
      EXPECT_EQ(DescribeExchangeFailure(result), text);
    }
    EXPECT_EQ(DescribeDiscovery(link.Status()), text);
    EXPECT_EQ(
        std::tie(buffers.OutReport, buffers.InReport, buffers.BytesWritten, buffers.BytesRead),
        std::tie(before.OutReport, before.InReport, before.BytesWritten, before.BytesRead));
    EXPECT_EQ(image, imageBefore);
    EXPECT_EQ(pes, kPesBytes);
  }
  // Each exchange looked again, so a programmer plugged in meanwhile would have been found.
  EXPECT_EQ(refusing.DiscoveryCount(), 4);
}

}  // namespace
}  // namespace gantrel
