// Choosing and opening the programmer among the HID interfaces present.
#include <gtest/gtest.h>

#include <map>

#include "DeviceLink.h"
#include "FakeWire.h"
#include "HidAccess.h"
#include "HidapiAccess.h"
#include "HidapiBackend.h"
#include "SelectProgrammer.h"

namespace gantrel {
namespace {

std::vector<HidCandidate> Candidates(std::initializer_list<const char*> ids) {
  std::vector<HidCandidate> list;
  int i = 0;
  for (const char* id : ids) list.push_back({"/dev/hidraw" + std::to_string(i++), id});
  return list;
}

TEST(FormatHardwareId, FourUpperCaseHexDigitsEach) {
  EXPECT_EQ(FormatHardwareId(0x04D8, 0x003F), "VID_04D8&PID_003F");
  EXPECT_EQ(FormatHardwareId(0xabcd, 0x0001), "VID_ABCD&PID_0001");
  EXPECT_EQ(FormatHardwareId(0, 0xFFFF), "VID_0000&PID_FFFF");
}

TEST(SelectProgrammer, MatchIgnoresCase) {
  for (const char* id : {"VID_04D8&PID_003F", "vid_04d8&pid_003f", "Vid_04d8&Pid_003F"}) {
    EXPECT_EQ(SelectProgrammer(Candidates({id})), std::optional<std::size_t>(0)) << id;
  }
}

TEST(SelectProgrammer, PatternInsideALongerIdMatches) {
  EXPECT_EQ(SelectProgrammer(Candidates({"HID\\VID_04D8&PID_003F&REV_0100&MI_00"})),
            std::optional<std::size_t>(0));
}

TEST(SelectProgrammer, OtherProductsAndVendorsDoNotMatch) {
  EXPECT_EQ(SelectProgrammer(Candidates({"VID_04D8&PID_003E", "VID_04D9&PID_003F",
                                         "VID_04D8&PID_003", "VID_04D8 PID_003F", ""})),
            std::nullopt);
  EXPECT_EQ(SelectProgrammer({}), std::nullopt);
}

TEST(SelectProgrammer, FirstOfTwoProgrammersWins) {
  EXPECT_EQ(
      SelectProgrammer(Candidates({"VID_046D&PID_C52B", "VID_04D8&PID_003F", "VID_04D8&PID_003F"})),
      std::optional<std::size_t>(1));
}

TEST(KeepFirstPerPath, DropsRepeatsOfAPathAndKeepsOrder) {
  std::vector<HidCandidate> list = {
      {"/a", "1"}, {"/b", "2"}, {"/a", "3"}, {"/c", "4"}, {"/b", "5"}};
  KeepFirstPerPath(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Path, "/a");
  EXPECT_EQ(list[0].HardwareId, "1");
  EXPECT_EQ(list[1].Path, "/b");
  EXPECT_EQ(list[2].Path, "/c");
}

// A HID layer with a fixed list, where some paths fail to open.
class FakeHid : public HidAccess {
 public:
  std::vector<HidCandidate> List;
  std::map<std::string, DiscoveryStatus> Failures;  // by path: Reason and PermissionDenied
  std::vector<std::string> Opened;                  // every path an open was tried on
  test::FakeWire Wire;

  std::vector<HidCandidate> Enumerate() override { return List; }
  std::unique_ptr<Transport> OpenPath(const std::string& path, DiscoveryStatus& status) override {
    Opened.push_back(path);
    const auto failure = Failures.find(path);
    if (failure != Failures.end()) {
      status.Reason = failure->second.Reason;
      status.PermissionDenied = failure->second.PermissionDenied;
      return nullptr;
    }
    return std::make_unique<test::RecordingTransport>(Wire);
  }
};

TEST(DiscoverProgrammer, NothingMatchingOpensNothing) {
  FakeHid hid;
  hid.List = Candidates({"VID_046D&PID_C52B", "VID_04D8&PID_003E"});
  DiscoveryStatus status;
  EXPECT_EQ(DiscoverProgrammer(hid, status), nullptr);
  EXPECT_EQ(status.State, LinkState::NotFound);
  EXPECT_TRUE(hid.Opened.empty());
}

TEST(DiscoverProgrammer, OpensOnlyTheFirstOfTwoProgrammers) {
  FakeHid hid;
  hid.List = Candidates({"VID_046D&PID_C52B", "VID_04D8&PID_003F", "VID_04D8&PID_003F"});
  DiscoveryStatus status;
  EXPECT_NE(DiscoverProgrammer(hid, status), nullptr);
  EXPECT_EQ(status.State, LinkState::Open);
  EXPECT_EQ(status.Path, "/dev/hidraw1");
  EXPECT_EQ(hid.Opened, std::vector<std::string>{"/dev/hidraw1"});
}

TEST(DiscoverProgrammer, FirstMatchThatCannotBeOpenedEndsTheSearch) {
  FakeHid hid;
  hid.List = Candidates({"VID_04D8&PID_003F", "VID_04D8&PID_003F"});
  hid.Failures["/dev/hidraw0"] = {LinkState::OpenFailed, {}, "Permission denied", true};
  DiscoveryStatus status;
  EXPECT_EQ(DiscoverProgrammer(hid, status), nullptr);
  EXPECT_EQ(status.State, LinkState::OpenFailed);
  EXPECT_EQ(status.Path, "/dev/hidraw0");
  EXPECT_EQ(status.Reason, "Permission denied");
  EXPECT_TRUE(status.PermissionDenied);
  EXPECT_EQ(hid.Opened, std::vector<std::string>{"/dev/hidraw0"}) << "no second candidate";
}

TEST(DiscoverProgrammer, SuccessfulOpenClearsAnEarlierReason) {
  FakeHid hid;
  hid.List = Candidates({"VID_04D8&PID_003F"});
  DiscoveryStatus status{LinkState::OpenFailed, "/old", "Device or resource busy", true};
  EXPECT_NE(DiscoverProgrammer(hid, status), nullptr);
  EXPECT_EQ(status.State, LinkState::Open);
  EXPECT_TRUE(status.Reason.empty());
  EXPECT_FALSE(status.PermissionDenied);
}

// This machine has no HID devices: hidapi finds nothing, the link says so, and every exchange
// fails without waiting for an answer.
TEST(HidapiBackend, FindsNoProgrammerWhereThereIsNone) {
  if (SelectProgrammer(HidapiAccess().Enumerate())) GTEST_SKIP() << "a programmer is attached";
  HidapiBackend backend;
  DeviceLink link(backend);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::NotFound);
  EXPECT_EQ(DescribeDiscovery(link.Status()), "no programmer found");
  ReportBuffers buffers;
  FuseImage image{};
  PesBytes pes{};
  for (const ExchangeResult& result :
       {link.UploadFuseImage(buffers, image), link.ProgramChip(buffers),
        link.ReadFuseImage(buffers, image), link.ReadPes(buffers, pes)}) {
    EXPECT_EQ(result.Error, ExchangeError::NoProgrammer);
    EXPECT_EQ(DescribeExchangeFailure(result), "no programmer found");
  }
  EXPECT_EQ(buffers.BytesWritten, 0u);
  EXPECT_EQ(buffers.BytesRead, 0u);
}

}  // namespace
}  // namespace gantrel
