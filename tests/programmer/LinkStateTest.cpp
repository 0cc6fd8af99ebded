// What the link holds and says: no programmer, a programmer that cannot be opened, waits cut
// into slices, and the failure texts.
#include <gtest/gtest.h>

#include "DeviceLink.h"
#include "FakeWire.h"
#include "SimulatedBackend.h"
#include "SimulatedProgrammer.h"

namespace gantrel {
namespace {

using std::chrono::milliseconds;
using test::FakeBackend;
using test::FakeWire;

ReportBuffers Filled() {
  ReportBuffers buffers;
  buffers.OutReport.fill(0xAB);
  buffers.InReport.fill(0xCD);
  buffers.BytesWritten = 11;
  buffers.BytesRead = 12;
  return buffers;
}

void ExpectSame(const ReportBuffers& a, const ReportBuffers& b) {
  EXPECT_EQ(a.OutReport, b.OutReport);
  EXPECT_EQ(a.InReport, b.InReport);
  EXPECT_EQ(a.BytesWritten, b.BytesWritten);
  EXPECT_EQ(a.BytesRead, b.BytesRead);
}

TEST(DeviceLinkWithoutProgrammer, EveryExchangeFailsAtOnceAndTouchesNoBuffer) {
  FakeWire wire;
  FakeBackend backend(wire);
  backend.Present = false;
  backend.Failure.State = LinkState::NotFound;
  DeviceLink link(backend);
  ReportBuffers buffers = Filled();
  const ReportBuffers before = buffers;
  FuseImage image;
  image.fill(0x33);
  PesBytes pes = kPesBytes;

  const ExchangeResult results[] = {link.UploadFuseImage(buffers, image), link.ProgramChip(buffers),
                                    link.ReadFuseImage(buffers, image), link.ReadPes(buffers, pes)};
  for (const ExchangeResult& result : results) {
    EXPECT_EQ(result.Error, ExchangeError::NoProgrammer);
    EXPECT_FALSE(result.Burned);
    EXPECT_EQ(result.Discovery.State, LinkState::NotFound);
    EXPECT_EQ(DescribeExchangeFailure(result), "no programmer found");
  }
  ExpectSame(buffers, before);
  FuseImage same;
  same.fill(0x33);
  EXPECT_EQ(image, same);
  EXPECT_EQ(pes, kPesBytes);
  EXPECT_EQ(wire.Opens, 0);
  // Each exchange looked again, so a programmer plugged in meanwhile would have been found.
  EXPECT_EQ(backend.Discoveries, 4);
}

TEST(DeviceLinkWithoutProgrammer, PermissionDeniedNamesTheUdevRule) {
  FakeWire wire;
  FakeBackend backend(wire);
  backend.Present = false;
  backend.Failure = {LinkState::OpenFailed, "/dev/hidraw3", "Permission denied", true};
  DeviceLink link(backend);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::OpenFailed);
  ReportBuffers buffers;
  const ExchangeResult result = link.ProgramChip(buffers);
  EXPECT_EQ(result.Error, ExchangeError::NoProgrammer);
  EXPECT_EQ(DescribeExchangeFailure(result),
            "programmer found at /dev/hidraw3 but it could not be opened: Permission denied "
            "(install the udev rule 60-gantrel.rules and reconnect the programmer)");
}

TEST(DeviceLinkWithoutProgrammer, OtherOpenFailureGivesTheSystemsReasonOnly) {
  DiscoveryStatus status{LinkState::OpenFailed, "/dev/hidraw0", "Device or resource busy", false};
  EXPECT_EQ(DescribeDiscovery(status),
            "programmer found at /dev/hidraw0 but it could not be opened: Device or resource busy");
}

TEST(DeviceLinkWithoutProgrammer, ProgrammerPluggedInLaterIsFoundWithoutRestart) {
  SimulatedProgrammer programmer;
  SimulatedBackend backend(programmer);
  backend.SetAbsent(true);
  DeviceLink link(backend);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::NotFound);
  ReportBuffers buffers;
  PesBytes pes{};
  EXPECT_EQ(link.ReadPes(buffers, pes).Error, ExchangeError::NoProgrammer);

  backend.SetAbsent(false);
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(pes, kPesBytes);
  EXPECT_EQ(link.Status().State, LinkState::Open);
  EXPECT_EQ(link.Status().Path, SimulatedBackend::kPath);
}

TEST(DeviceLinkWithoutProgrammer, SimulatedOpenFailureIsReportedAsFoundButNotOpened) {
  SimulatedProgrammer programmer;
  SimulatedBackend backend(programmer);
  backend.SetOpenFailure("Permission denied", true);
  DeviceLink link(backend);
  const DiscoveryStatus& status = link.OpenProgrammer();
  EXPECT_EQ(status.State, LinkState::OpenFailed);
  EXPECT_TRUE(status.PermissionDenied);
  EXPECT_FALSE(link.EnsureOpen());
  backend.SetOpenFailure("");
  EXPECT_TRUE(link.EnsureOpen());
}

TEST(DeviceLinkState, OpenProgrammerClosesTheOpenOneFirst) {
  FakeWire wire;
  FakeBackend backend(wire);
  DeviceLink link(backend);
  EXPECT_EQ(link.Status().State, LinkState::NotSearched);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::Open);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::Open);
  EXPECT_EQ(wire.Opens, 2);
  EXPECT_EQ(wire.Closes, 1);
  EXPECT_TRUE(link.EnsureOpen());
  EXPECT_EQ(wire.Opens, 2) << "an open link is not searched again";
}

TEST(DeviceLinkState, CloseMakesTheNextExchangeSearchAgain) {
  FakeWire wire;
  FakeBackend backend(wire);
  DeviceLink link(backend);
  ASSERT_TRUE(link.EnsureOpen());
  link.Close();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.Status().State, LinkState::Closed);
  ReportBuffers buffers;
  EXPECT_TRUE(link.ProgramChip(buffers).Ok());
  EXPECT_EQ(backend.Discoveries, 2);
}

TEST(DeviceLinkState, FailureWhileTakingOldInputIsStepZeroAndClosesTheLink) {
  FakeWire wire;
  wire.Queued.push_back(Report{});
  wire.StaleError = TransferError::DeviceGone;
  FakeBackend backend(wire);
  DeviceLink link(backend);
  ReportBuffers buffers = Filled();
  const ReportBuffers before = buffers;
  PesBytes pes{};
  const ExchangeResult result = link.ReadPes(buffers, pes);
  EXPECT_EQ(result.Error, ExchangeError::TransferFailed);
  EXPECT_EQ(result.Step, 0);
  EXPECT_TRUE(wire.Sent.empty());
  EXPECT_EQ(backend.Discoveries, 2) << "one fresh discovery before giving up";
  EXPECT_FALSE(link.IsOpen());
  ExpectSame(buffers, before);
  EXPECT_EQ(DescribeExchangeFailure(result),
            "before the first report (taking old input reports): device gone: test failure");
}

TEST(DeviceLinkWaits, WaitIsCutIntoSlicesThatAddUpToTheBound) {
  FakeWire wire;
  wire.Answer = [](int, const Report&) { return std::optional<Report>(); };
  FakeBackend backend(wire);
  DeviceLink link(backend, LinkTimeouts{milliseconds(700), milliseconds(900), milliseconds(300)});
  ReportBuffers buffers;
  PesBytes pes{};
  int progressCalls = 0;
  const ExchangeResult result =
      link.ReadPes(buffers, pes, [&](const ExchangeProgress&) { ++progressCalls; });
  EXPECT_EQ(result.Transfer, TransferError::NoAnswer);
  EXPECT_EQ(result.Bound, milliseconds(700));
  const std::vector<milliseconds> waits = {milliseconds(0), milliseconds(300), milliseconds(300),
                                           milliseconds(100)};
  EXPECT_EQ(wire.Waits, waits);
  EXPECT_EQ(progressCalls, 1 + 3);  // before the send, and before each slice
  EXPECT_EQ(DescribeExchangeFailure(result), "answer to the PES command: no answer within 700 ms");
}

TEST(DeviceLinkWaits, ProgramAnswerHasItsOwnLongerBound) {
  FakeWire wire;
  wire.Answer = [](int, const Report&) { return std::optional<Report>(); };
  FakeBackend backend(wire);
  DeviceLink link(backend, LinkTimeouts{milliseconds(700), milliseconds(900), milliseconds(300)});
  ReportBuffers buffers;
  const ExchangeResult result = link.ProgramChip(buffers);
  EXPECT_EQ(result.Bound, milliseconds(900));
  const std::vector<milliseconds> waits = {milliseconds(0), milliseconds(300), milliseconds(300),
                                           milliseconds(300)};
  EXPECT_EQ(wire.Waits, waits);
  EXPECT_FALSE(result.Burned);
}

TEST(DeviceLinkWaits, ZeroSliceWaitsTheWholeBoundAtOnce) {
  FakeWire wire;
  wire.Answer = [](int, const Report&) { return std::optional<Report>(); };
  FakeBackend backend(wire);
  DeviceLink link(backend, LinkTimeouts{milliseconds(700), milliseconds(900), milliseconds(0)});
  ReportBuffers buffers;
  PesBytes pes{};
  EXPECT_EQ(link.ReadPes(buffers, pes).Transfer, TransferError::NoAnswer);
  const std::vector<milliseconds> waits = {milliseconds(0), milliseconds(700)};
  EXPECT_EQ(wire.Waits, waits);
}

TEST(ExchangeFailureText, NamesTheStepAsTheUserReadsIt) {
  ExchangeResult result;
  result.Error = ExchangeError::TransferFailed;
  result.Kind = ExchangeKind::Read;
  result.Transfer = TransferError::NoAnswer;
  result.Step = 7;
  result.StepCount = 12;
  result.Bound = milliseconds(2000);
  EXPECT_EQ(DescribeExchangeFailure(result), "block 7 of 12: no answer within 2 s");

  result.Sending = true;
  result.Step = 4;
  result.Transfer = TransferError::DeviceGone;
  result.Detail = "device disconnected";
  EXPECT_EQ(DescribeExchangeFailure(result),
            "acknowledgement 3 of 11: device gone: device disconnected");

  result.Kind = ExchangeKind::Upload;
  result.StepCount = 13;
  result.Step = 5;
  result.Transfer = TransferError::WriteFailed;
  result.Detail = "Broken pipe";
  EXPECT_EQ(DescribeExchangeFailure(result), "report 5 of 13 (block 4): write failed: Broken pipe");

  EXPECT_EQ(DescribeExchangeFailure(ExchangeResult{}), "");
}

TEST(ExchangeFailureText, ClosedLinkAsksForAReconnect) {
  DiscoveryStatus status{LinkState::Closed, "/dev/hidraw2", "block 7 of 12: no answer within 2 s",
                         false};
  EXPECT_EQ(DescribeDiscovery(status),
            "the link to the programmer at /dev/hidraw2 was closed after a failed transfer "
            "(block 7 of 12: no answer within 2 s): reconnect the programmer");
}

}  // namespace
}  // namespace gantrel
