// The simulated programmer through the link: its exchanges, every fault at every report of every
// exchange (each one fails within its bound, sends nothing more, names its step, hands back no
// data, closes the link, and the next exchange finds the programmer again), and the syntax of its
// faults.
#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "DeviceLink.h"
#include "SimulatedBackend.h"
#include "SimulatedProgrammer.h"

namespace gantrel {
namespace {

using std::chrono::milliseconds;

struct SimulatedLink : ::testing::Test {
  SimulatedProgrammer programmer;
  SimulatedBackend backend{programmer};
  DeviceLink link{backend};
  ReportBuffers buffers;
  FuseImage image = [] {
    FuseImage made;
    std::iota(made.begin(), made.end(), std::uint8_t{5});
    return made;
  }();
};

TEST_F(SimulatedLink, UploadTwoBurnsAndReadBackGiveTheSameImageSendingWTwiceAndNothingElse) {
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  EXPECT_EQ(programmer.ChipImage(), FuseImage{}) << "an upload alone must not burn";
  ASSERT_TRUE(link.ProgramChip(buffers).Burned);
  ASSERT_TRUE(link.ProgramChip(buffers).Burned);
  EXPECT_EQ(std::vector<Report>(programmer.Received().begin() + 13, programmer.Received().end()),
            std::vector<Report>(2, Report{0, CMD_PROGRAM}));
  EXPECT_EQ(std::make_pair(programmer.UploadCount(), programmer.BurnCount()), std::make_pair(1, 2));
  FuseImage readBack{};
  ASSERT_TRUE(link.ReadFuseImage(buffers, readBack).Ok());
  EXPECT_EQ(readBack, image);
}

TEST_F(SimulatedLink, PesComesBackAsTheChipStatesItAlsoAfterAReplugWhileOpen) {
  PesBytes pes{};
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(pes, kPesBytes);  // the default chip says "1F22L10C3"
  EXPECT_FALSE(programmer.SetPes("ABCDEFGH") || programmer.SetPes("ABCDEFGHIJ"));
  ASSERT_TRUE(programmer.SetPes("ABCDEFGHI"));
  programmer.Reconnect();  // the open handle is dead now: the next exchange takes a fresh one
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(backend.OpenCount(), 2);
  EXPECT_EQ(pes, (PesBytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 0}));
  EXPECT_EQ(std::string(buffers.InReport.begin() + 1, buffers.InReport.begin() + 10), "IHGFEDCBA");
}

TEST_F(SimulatedLink, BurnAfterAReplugWhileOpenSendsNothingAndClosesTheLink) {
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  programmer.Reconnect();  // a replugged programmer has not received this upload
  const ExchangeResult burn = link.ProgramChip(buffers);
  EXPECT_EQ(DescribeExchangeFailure(burn),
            "before the first report (taking old input reports): device gone: device disconnected");
  EXPECT_EQ(std::make_tuple(programmer.ReportCount(), programmer.BurnCount(), link.IsOpen()),
            std::make_tuple(std::uint64_t{13}, 0, false));
}

TEST_F(SimulatedLink, FailingBurnIsAnsweredAndLeavesTheChipAndTheLinkAsTheyWere) {
  programmer.SetFault({SimulatedFaultKind::BurnFails, 0, {}});
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  const ExchangeResult burn = link.ProgramChip(buffers);
  EXPECT_TRUE(burn.Ok() && !burn.Burned && link.IsOpen());
  EXPECT_EQ(buffers.InReport[1], SimulatedProgrammer::kBurnFailedAnswer);
  EXPECT_EQ(programmer.ChipImage(), FuseImage{});

  // Why the link closes after a failed transfer: inside a broken-off upload (its report 5 is
  // report 19 overall) the firmware takes 'w' for image data.
  programmer.SetFault({SimulatedFaultKind::Late, 19, milliseconds(3000)});
  EXPECT_FALSE(link.UploadFuseImage(buffers, image).Ok());
  EXPECT_TRUE(link.ProgramChip(buffers).Ok());
  EXPECT_EQ(programmer.BurnCount(), 1);
}

TEST_F(SimulatedLink, FaultsCountReportsAcrossExchangesAndALateBurnWithinItsBoundCounts) {
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  programmer.SetFault({SimulatedFaultKind::Late, 14, milliseconds(3000)});
  int receiveCalls = 0;
  const ExchangeResult burn =
      link.ProgramChip(buffers, [&](const ExchangeProgress& p) { receiveCalls += !p.Sending; });
  EXPECT_TRUE(burn.Burned) << DescribeExchangeFailure(burn);
  EXPECT_EQ(programmer.WaitedTime(), milliseconds(3000));
  // 59 slices of 50 ms pass without the answer; it comes at the end of the 60th.
  EXPECT_EQ(receiveCalls, 60);
}

// How the failure of transfer `n` must begin, in English.
std::string StepName(ExchangeKind kind, bool sending, int n) {
  const std::string k = std::to_string(n - 1);
  if (kind == ExchangeKind::Read && !sending) return "block " + std::to_string(n) + " of 12";
  const std::string sends[] = {"report " + std::to_string(n) + " of 13 " +
                                   (n == 1 ? "(upload command)" : "(block " + k + ")"),
                               "program command",
                               n == 1 ? "read command" : "acknowledgement " + k + " of 11",
                               "PES command"};
  const std::string& send = sends[static_cast<int>(kind)];
  if (sending) return send;
  return (kind == ExchangeKind::Upload ? "answer to " : "answer to the ") + send;
}

TEST(FaultSweep, EveryFaultAtEveryReportOfEveryExchange) {
  const std::tuple<ExchangeKind, int, milliseconds> exchanges[] = {
      {ExchangeKind::Upload, 13, LinkTimeouts{}.Answer},
      {ExchangeKind::Program, 1, LinkTimeouts{}.Program},
      {ExchangeKind::Read, 12, LinkTimeouts{}.Answer},
      {ExchangeKind::Pes, 1, LinkTimeouts{}.Answer}};
  FuseImage chip{};
  std::iota(chip.begin(), chip.end(), std::uint8_t{1});
  for (const auto& [kind, reports, bound] : exchanges) {
    for (int n = 1; n <= reports; ++n) {
      // None stands for a programmer pulled out between report n and its answer.
      for (const SimulatedFaultKind fault :
           {SimulatedFaultKind::Stop, SimulatedFaultKind::Late, SimulatedFaultKind::Vanish,
            SimulatedFaultKind::None}) {
        const SimulatedFault set{fault, static_cast<std::uint64_t>(n), bound + milliseconds(1000)};
        SCOPED_TRACE(::testing::Message() << "exchange " << int(kind) << ": "
                                          << FormatSimulatedFault(set) << " at " << n);
        SimulatedProgrammer programmer;
        programmer.SetChipImage(chip);
        programmer.SetFault(set);
        const ProgressFn progress = [&, n = n](const ExchangeProgress& p) {
          if (fault == SimulatedFaultKind::None && !p.Sending && p.Index == n &&
              programmer.Connection() == 1)
            programmer.Reconnect();
        };
        SimulatedBackend backend(programmer);
        DeviceLink link(backend);
        ReportBuffers buffers;
        FuseImage image{};  // what the caller holds, which a failed exchange leaves alone
        PesBytes pes{};
        const ExchangeResult result =
            kind == ExchangeKind::Upload    ? link.UploadFuseImage(buffers, chip, progress)
            : kind == ExchangeKind::Program ? link.ProgramChip(buffers, progress)
            : kind == ExchangeKind::Read    ? link.ReadFuseImage(buffers, image, progress)
                                            : link.ReadPes(buffers, pes, progress);

        ASSERT_EQ(result.Error, ExchangeError::TransferFailed);
        EXPECT_EQ(result.StepCount, reports);
        // Nothing is sent after the report that met the fault; a vanished device took none.
        const bool sending = fault == SimulatedFaultKind::Vanish;
        EXPECT_EQ(programmer.ReportCount(), static_cast<std::uint64_t>(n));
        EXPECT_EQ(programmer.Received().size(), static_cast<std::size_t>(sending ? n - 1 : n));
        const std::string text = DescribeExchangeFailure(result);
        const bool gone = sending || fault == SimulatedFaultKind::None;
        // Waited the whole bound and not a slice more, or not at all for a device gone.
        EXPECT_EQ(programmer.WaitedTime(), gone ? milliseconds(0) : bound);
        EXPECT_EQ(text, StepName(kind, sending, n) +
                            (gone ? ": device gone: device disconnected"
                                  : ": no answer within " + DescribeBound(bound)));
        EXPECT_EQ(image, FuseImage{});
        EXPECT_EQ(pes, PesBytes{});
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(DescribeDiscovery(link.Status()),
                  "the link to the programmer at simulated was closed after a failed transfer (" +
                      text + "): reconnect the programmer");

        // While it is gone none is found; plugged in again, the next exchange finds it.
        EXPECT_TRUE(!sending || link.ReadPes(buffers, pes).Error == ExchangeError::NoProgrammer);
        programmer.Reconnect();
        ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
        EXPECT_EQ(pes, kPesBytes);
        EXPECT_EQ(backend.DiscoveryCount(), sending ? 3 : 2);
        EXPECT_EQ(backend.OpenCount(), 2);
      }
    }
  }
}

TEST(SimulatedFaultSyntax, ReadsAListOfFaultsAndRefusesMalformedOnesKeepingTheOldOnes) {
  // Each accepted item reads back as itself when written; "late@5" gets its default delay.
  const std::vector<std::string> items = {
      "stop@7", "vanish@3", "replug@14", "late@5:25000", "late@1:0", "burn-fails",
      "stop@4294967295", "late@1:86400000", "late@5"};
  std::string list;
  for (const std::string& item : items) list += (list.empty() ? "" : ",") + item;
  std::vector<SimulatedFault> faults;
  std::string error;
  ASSERT_TRUE(ParseSimulatedFaults(list, faults, error)) << error;
  ASSERT_EQ(faults.size(), items.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    EXPECT_EQ(FormatSimulatedFault(faults[i]), items[i] == "late@5" ? "late@5:3000" : items[i]);

  const std::vector<SimulatedFault> kept = {{SimulatedFaultKind::Stop, 42, milliseconds(1)}};
  for (const char* text :
       {"", ",", "stop@7,", ",stop@7", "stop@7,,late@5", "stop", "stop@", "stop@0", "stop@-1",
        "stop@+2", "stop@7x", "stop@7:100", "replug@2:5", "late@5:", "late@5:-1", "late@:5",
        "burn-fails@1", "STOP@7", "stop@99999999999", "late@5:100000000", "stop@ 7",
        "stop@4294967296", "late@1:86400001", "stop@7,fly@3"}) {
    faults = kept;
    error.clear();
    EXPECT_FALSE(ParseSimulatedFaults(text, faults, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    ASSERT_EQ(faults.size(), 1U) << text;
    EXPECT_EQ(FormatSimulatedFault(faults[0]), "stop@42") << text;
  }
  EXPECT_EQ(error,  // for the last one
            "unknown fault 'fly@3' (expected stop@N, vanish@N, replug@N, late@N, late@N:MS or "
            "burn-fails)");
  ASSERT_FALSE(ParseSimulatedFaults("stop@7,,late@5", faults, error));
  EXPECT_EQ(error, "empty fault in the list 'stop@7,,late@5'");
}

}  // namespace
}  // namespace gantrel
