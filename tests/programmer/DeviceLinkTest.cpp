// The link over the simulated programmer: when a burn may go out, every fault at every report of
// every exchange (each one fails within its bound, names its step, hands back no data, and nothing
// is sent until the programmer has been reconnected), and the fault syntax.
#include <gtest/gtest.h>

#include <tuple>

#include "DeviceLink.h"
#include "SimulatedProgrammer.h"

namespace gantrel {
namespace {

using std::chrono::milliseconds;
using enum SimulatedFaultKind;

// What the chip or the caller holds; every byte differs from 0.
const FuseImage kImage = [] {
  FuseImage image;
  image.fill(7);
  return image;
}();

struct Rig {
  SimulatedProgrammer programmer;
  SimulatedBackend backend{programmer};
  DeviceLink link{backend};
  PesBytes pes{};
};

// 'w' goes out only to a programmer in step, over the connection that took the upload.
TEST(DeviceLink, BurnAfterAnUploadGoesOutOnlyInStepOverTheSameConnection) {
  const struct {
    const char* name;
    SimulatedFault fault;  // in effect from the start of the upload
    bool rediscover;       // OpenProgrammer() between the upload and the burn
    ExchangeError error;
    bool burned;
    std::uint64_t reports;  // output reports that reached the programmer
    int progressCalls;      // of the burn: 60 receive slices of 50 ms for a late answer
  } cases[] = {
      {"answer late", {Late, 14}, false, ExchangeError::None, true, 14, 61},
      {"replugged", {Replug, 14}, false, ExchangeError::NoProgrammer, false, 13, 0},
      // Inside a broken-off upload the firmware would take 'w' for image data.
      {"upload broke off, rediscovered", {Late, 5}, true, ExchangeError::OutOfStep, false, 5, 0},
      // A connection opened after the upload never took it.
      {"opened again after the upload", {}, true, ExchangeError::NotUploaded, false, 13, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Rig r;
    r.programmer.SetFault(c.fault);
    r.link.UploadFuseImage(kImage);
    if (c.rediscover) r.link.OpenProgrammer();
    int progressCalls = 0;
    const ExchangeResult burn =
        r.link.ProgramChip([&](const ExchangeProgress&) { ++progressCalls; });
    EXPECT_EQ(burn.Error, c.error);
    EXPECT_EQ(std::make_tuple(burn.Burned, r.programmer.ReportCount(), progressCalls),
              std::make_tuple(c.burned, c.reports, c.progressCalls));
    EXPECT_EQ(r.programmer.ChipImage(), c.burned ? kImage : FuseImage{});
  }
}

TEST(DeviceLink, FaultAtAnyReportOfAnyExchangeFailsItAndNothingIsSentUntilAReconnect) {
  const struct {
    ExchangeKind kind;
    int reports;
    milliseconds bound;
  } exchanges[] = {
      {ExchangeKind::Upload, 13, LinkTimeouts{}.Answer},
      {ExchangeKind::Program, 1, LinkTimeouts{}.Program},
      {ExchangeKind::Read, 12, LinkTimeouts{}.Answer},
      {ExchangeKind::Pes, 1, LinkTimeouts{}.Answer},
  };
  for (const auto& [kind, reports, bound] : exchanges) {
    for (int n = 1; n <= reports; ++n) {
      for (const SimulatedFaultKind fault : {Stop, Late, Vanish, Replug}) {
        if (fault == Replug && n == 1) continue;  // not inside the exchange: its probe sees it
        const SimulatedFault set{fault, static_cast<std::uint64_t>(n), bound + milliseconds(1000)};
        SCOPED_TRACE(::testing::Message()
                     << "exchange " << int(kind) << ": " << FormatSimulatedFault(set));
        Rig r;
        r.programmer.SetChipImage(kImage);
        r.link.OpenProgrammer();
        // A burn needs an upload over its connection first; the fault counts on from there.
        const std::size_t before = kind == ExchangeKind::Program ? 13 : 0;
        if (before != 0) {
          ASSERT_TRUE(r.link.UploadFuseImage(kImage).Ok());
        }
        r.programmer.SetFault({fault, before + n, set.Delay});
        FuseImage image{};  // what the caller holds, which a failed exchange leaves alone
        ExchangeProgress last;
        const ProgressFn progress = [&last](const ExchangeProgress& p) { last = p; };
        const ExchangeResult result =
            kind == ExchangeKind::Upload    ? r.link.UploadFuseImage(kImage, progress)
            : kind == ExchangeKind::Program ? r.link.ProgramChip(progress)
            : kind == ExchangeKind::Read    ? r.link.ReadFuseImage(image, progress)
                                            : r.link.ReadPes(r.pes, progress);
        ASSERT_EQ(result.Error, ExchangeError::TransferFailed);
        // Nothing is sent after the report that met the fault; a gone device took none, and
        // it is not waited for; else the whole bound is waited and not a slice more. The last
        // progress shown is the transfer that failed.
        const bool gone = fault == Vanish || fault == Replug;
        EXPECT_EQ(std::make_tuple(result.Step, result.StepCount, result.Sending),
                  std::make_tuple(n, reports, gone));
        EXPECT_EQ(std::make_tuple(last.Kind, last.Index, last.Count, last.Sending),
                  std::make_tuple(kind, n, reports, gone));
        EXPECT_EQ(r.programmer.Received().size(), before + (gone ? n - 1 : n));
        EXPECT_EQ(r.programmer.WaitedTime(), gone ? milliseconds(0) : bound);
        EXPECT_EQ(image, FuseImage{});

        // Nothing is sent until a probe sees the device gone; rediscovery asks the held handle
        // first, and a programmer unplugged meanwhile is in step again.
        const std::uint64_t sent = r.programmer.ReportCount();
        if (fault != Replug) {
          EXPECT_EQ(r.link.ReadPes(r.pes).Error,
                    fault == Vanish ? ExchangeError::NoProgrammer : ExchangeError::OutOfStep);
          EXPECT_EQ(r.programmer.ReportCount(), sent);
          r.programmer.Reconnect();
          r.link.OpenProgrammer();
        }
        ASSERT_TRUE(r.link.ReadPes(r.pes).Ok());
        EXPECT_TRUE(r.link.EnsureOpen());  // keeps the programmer it holds
        EXPECT_EQ(r.link.ConnectionNumber(), 2u);
      }
    }
  }
}

TEST(ParseSimulatedFaults, WellFormedListReadsBackItemByItemAndAMalformedOneKeepsTheOldFaults) {
  const std::string list =
      "stop@7,vanish@3,replug@14,late@5:25000,late@1:0,burn-fails,stop@4294967295,stuck@0,"
      "stuck@5891,late@1:86400000,late@5";
  std::vector<SimulatedFault> faults;
  std::string error, written;
  ASSERT_TRUE(ParseSimulatedFaults(list, faults, error)) << error;
  for (const SimulatedFault& fault : faults) written += FormatSimulatedFault(fault) + ",";
  EXPECT_EQ(written, list + ":3000,");  // the default delay

  for (const char* text :
       {"", ",stop@7", "stop@7,", "stop", "stop@", "stop@0", "stop@+2", "stop@7x", "stop@7:100",
        "late@5:", "late@:5", "burn-fails@1", "stop@4294967296", "late@1:86400001", "stop@7,fly@3",
        "stuck@5892", "stuck@", "stuck@1:5"}) {
    faults = {{Stop, 42, milliseconds(1)}};
    EXPECT_FALSE(ParseSimulatedFaults(text, faults, error)) << text;
    ASSERT_EQ(faults.size(), 1u) << text;
    EXPECT_EQ(FormatSimulatedFault(faults[0]), "stop@42") << text;
  }
}

}  // namespace
}  // namespace gantrel
