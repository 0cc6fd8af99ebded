// The simulated programmer through the link: its exchanges, every fault at every report of every
// exchange (each one fails within its bound, sends nothing more, names its step, hands back no
// data, and nothing is sent until the programmer has been reconnected), and its fault syntax.
#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "DeviceLink.h"
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

// Every exchange sends exactly its reports (byte 0 and every unused byte 0, nothing of an
// earlier report carried over) and takes one answer per report, in the order of its steps.
TEST_F(SimulatedLink, ExchangesSendExactlyTheirReportsOneAnswerEach) {
  std::vector<Report> sent = {Report{0, CMD_UPLOAD}};
  for (std::size_t i = 0; i < image.size(); ++i) {
    if (i % kImageBlockSize == 0) sent.emplace_back();
    sent.back()[1 + i % kImageBlockSize] = image[i];
  }
  sent.insert(sent.end(), 2, Report{0, CMD_PROGRAM});
  sent.push_back(Report{0, CMD_READ});
  sent.insert(sent.end(), kImageBlockCount - 1, Report{0, CMD_ACK});  // none after block 12
  sent.push_back(Report{0, CMD_PES});
  buffers.OutReport.fill(0xCC);
  EXPECT_FALSE(programmer.SetPes("ABCDEFGH") || programmer.SetPes("ABCDEFGHIJ"));
  ASSERT_TRUE(programmer.SetPes("ABCDEFGHI"));
  std::string steps;
  const ProgressFn progress = [&steps](const ExchangeProgress& p) {
    const std::string step = (p.Sending ? " S" : " R") + std::to_string(p.Index);
    if (!steps.ends_with(step)) steps += step;
  };
  ASSERT_TRUE(link.UploadFuseImage(buffers, image, progress).Ok());
  EXPECT_EQ(programmer.ChipImage(), FuseImage{}) << "an upload alone must not burn";
  ASSERT_TRUE(link.ProgramChip(buffers, progress).Burned);
  ASSERT_TRUE(link.ProgramChip(buffers, progress).Burned);
  FuseImage readBack{};
  PesBytes pes;
  pes.fill(0xFF);  // its closing zero must come from the exchange
  ASSERT_TRUE(link.ReadFuseImage(buffers, readBack, progress).Ok());
  ASSERT_TRUE(link.ReadPes(buffers, pes, progress).Ok());
  EXPECT_EQ(programmer.Received(), sent);
  EXPECT_EQ(std::make_pair(programmer.UploadCount(), programmer.BurnCount()), std::make_pair(1, 2));
  EXPECT_EQ(readBack, image);
  EXPECT_EQ(pes, (PesBytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 0}));
  EXPECT_EQ(std::string(buffers.InReport.begin() + 1, buffers.InReport.begin() + 10), "IHGFEDCBA");
  EXPECT_EQ(std::tie(buffers.BytesWritten, buffers.BytesRead, buffers.InReport[0]),
            std::make_tuple(65u, 65u, 0));
  std::string expected;
  for (int n = 1; n <= 13; ++n) expected += " S" + std::to_string(n) + " R" + std::to_string(n);
  expected += " S1 R1 S1 R1";
  for (int n = 1; n <= 12; ++n) expected += " S" + std::to_string(n) + " R" + std::to_string(n);
  EXPECT_EQ(steps, expected + " S1 R1");
}

// A replug is a power cycle: the upload is gone, and the burn, which opens no connection, sends
// nothing.
TEST_F(SimulatedLink, CountsConnectionsAndABurnAfterAReplugSendsNothing) {
  EXPECT_EQ(link.ConnectionNumber(), 0u);
  link.OpenProgrammer();
  link.OpenProgrammer();  // the open one is closed first
  EXPECT_TRUE(link.EnsureOpen());
  EXPECT_EQ(std::make_pair(link.ConnectionNumber(), backend.OpenCount()),
            std::make_pair(std::uint64_t{2}, 2));
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  programmer.Reconnect();
  EXPECT_EQ(programmer.UploadedImage(), FuseImage{});
  EXPECT_EQ(DescribeExchangeFailure(link.ProgramChip(buffers)),
            "the programmer at simulated was disconnected");
  EXPECT_EQ(std::make_tuple(programmer.ReportCount(), backend.DiscoveryCount(), link.IsOpen()),
            std::make_tuple(std::uint64_t{13}, 2, false));
  EXPECT_TRUE(link.EnsureOpen());
  EXPECT_EQ(link.ConnectionNumber(), 3u);
}

TEST_F(SimulatedLink, FailingBurnIsAnsweredAndLeavesTheChipAndTheLinkAsTheyWere) {
  programmer.SetFault({SimulatedFaultKind::BurnFails, 0, {}});
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  const ExchangeResult burn = link.ProgramChip(buffers);
  EXPECT_TRUE(burn.Ok() && !burn.Burned && link.IsOpen());
  EXPECT_EQ(buffers.InReport[1], SimulatedProgrammer::kBurnFailedAnswer);
  EXPECT_EQ(programmer.ChipImage(), FuseImage{});

  // Inside a broken-off upload (its report 5 is report 19 overall) the firmware would take 'w'
  // for image data: nothing is sent to it until it has been reconnected.
  programmer.SetFault({SimulatedFaultKind::Late, 19, milliseconds(3000)});
  EXPECT_FALSE(link.UploadFuseImage(buffers, image).Ok());
  EXPECT_EQ(link.ProgramChip(buffers).Error, ExchangeError::OutOfStep);
  EXPECT_EQ(std::make_pair(programmer.ReportCount(), programmer.BurnCount()),
            std::make_pair(std::uint64_t{19}, 1));
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

TEST(ExchangeSteps, AreNamedByWhatTheReportCarries) {
  const struct {
    ExchangeKind kind;
    bool sending;
    int step;
    const char* name;
  } cases[] = {
      {ExchangeKind::Upload, true, 1, "report 1 of 13 (upload command)"},
      {ExchangeKind::Upload, false, 13, "answer to report 13 of 13 (block 12)"},
      {ExchangeKind::Read, true, 1, "read command"},
      {ExchangeKind::Read, true, 12, "acknowledgement 11 of 11"},
      {ExchangeKind::Read, false, 12, "block 12 of 12"},
      {ExchangeKind::Program, false, 1, "answer to the program command"},
      {ExchangeKind::Pes, true, 1, "PES command"},
  };
  for (const auto& c : cases) {
    ExchangeResult result;
    result.Kind = c.kind, result.Error = ExchangeError::TransferFailed;
    result.Transfer = TransferError::WriteFailed, result.Sending = c.sending, result.Step = c.step;
    EXPECT_EQ(DescribeExchangeFailure(result), c.name + std::string(": write failed"));
  }
}

TEST(FaultSweep, EveryFaultAtEveryReportOfEveryExchange) {
  const struct {
    ExchangeKind kind;
    int reports;
    milliseconds bound;
  } exchanges[] = {{ExchangeKind::Upload, 13, LinkTimeouts{}.Answer},
                   {ExchangeKind::Program, 1, LinkTimeouts{}.Program},
                   {ExchangeKind::Read, 12, LinkTimeouts{}.Answer},
                   {ExchangeKind::Pes, 1, LinkTimeouts{}.Answer}};
  FuseImage chip{};
  std::iota(chip.begin(), chip.end(), std::uint8_t{1});
  using enum SimulatedFaultKind;
  for (const auto& [kind, reports, bound] : exchanges) {
    for (int n = 1; n <= reports; ++n) {
      for (const SimulatedFaultKind fault : {Stop, Late, Vanish, Replug}) {
        const SimulatedFault set{fault, static_cast<std::uint64_t>(n), bound + milliseconds(1000)};
        SCOPED_TRACE(::testing::Message()
                     << "exchange " << int(kind) << ": " << FormatSimulatedFault(set));
        SimulatedProgrammer programmer;
        programmer.SetChipImage(chip);
        SimulatedBackend backend(programmer);
        DeviceLink link(backend);
        link.OpenProgrammer();
        programmer.SetFault(set);
        ReportBuffers buffers;
        FuseImage image{};  // what the caller holds, which a failed exchange leaves alone
        PesBytes pes{};
        const ExchangeResult result =
            kind == ExchangeKind::Upload    ? link.UploadFuseImage(buffers, chip)
            : kind == ExchangeKind::Program ? link.ProgramChip(buffers)
            : kind == ExchangeKind::Read    ? link.ReadFuseImage(buffers, image)
                                            : link.ReadPes(buffers, pes);
        if (fault == Replug && n == 1) {
          // Unplugged before the exchange: its probe sees it, and only a burn does not go on
          // over the new connection.
          EXPECT_EQ(result.Error, kind == ExchangeKind::Program ? ExchangeError::NoProgrammer
                                                                : ExchangeError::None);
          EXPECT_EQ(link.ConnectionNumber(), kind == ExchangeKind::Program ? 0u : 2u);
          continue;
        }
        ASSERT_EQ(result.Error, ExchangeError::TransferFailed);
        // Nothing is sent after the report that met the fault; a gone device took none.
        const bool gone = fault == Vanish || fault == Replug;
        EXPECT_EQ(std::make_tuple(result.Step, result.StepCount, result.Sending),
                  std::make_tuple(n, reports, gone));
        EXPECT_EQ(programmer.ReportCount(),
                  static_cast<std::uint64_t>(fault == Replug ? n - 1 : n));
        EXPECT_EQ(programmer.Received().size(), static_cast<std::size_t>(gone ? n - 1 : n));
        // Waited the whole bound and not a slice more, or not at all for a device gone.
        EXPECT_EQ(programmer.WaitedTime(), gone ? milliseconds(0) : bound);
        const std::string text = DescribeExchangeFailure(result);
        const std::string why = gone ? ": device gone: device disconnected"
                                     : ": no answer within " + DescribeBound(bound);
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), why.size())), why);
        EXPECT_EQ(image, FuseImage{});
        EXPECT_EQ(pes, PesBytes{});
        EXPECT_TRUE(link.IsOpen() && link.OutOfStep());

        // Nothing is sent until a probe sees the device gone; then a new connection.
        const std::uint64_t sent = programmer.ReportCount();
        if (fault != Replug) {
          EXPECT_EQ(link.ReadPes(buffers, pes).Error,
                    fault == Vanish ? ExchangeError::NoProgrammer : ExchangeError::OutOfStep);
          EXPECT_EQ(programmer.ReportCount(), sent);
          programmer.Reconnect();
        }
        ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
        EXPECT_EQ(pes, kPesBytes);
        EXPECT_EQ(std::make_tuple(link.ConnectionNumber(), link.OutOfStep(), backend.OpenCount()),
                  std::make_tuple(std::uint64_t{2}, false, 2));
      }
    }
  }
}

TEST(SimulatedFaultSyntax, ReadsAListOfFaultsAndRefusesMalformedOnesKeepingTheOldOnes) {
  // Each accepted item reads back as itself when written; "late@5" gets its default delay.
  const std::vector<std::string> items = {"stop@7",          "vanish@3",        "replug@14",
                                          "late@5:25000",    "late@1:0",        "burn-fails",
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
  for (const char* text : {"",
                           ",",
                           "stop@7,",
                           ",stop@7",
                           "stop@7,,late@5",
                           "stop",
                           "stop@",
                           "stop@0",
                           "stop@-1",
                           "stop@+2",
                           "stop@7x",
                           "stop@7:100",
                           "replug@2:5",
                           "late@5:",
                           "late@5:-1",
                           "late@:5",
                           "burn-fails@1",
                           "STOP@7",
                           "stop@99999999999",
                           "late@5:100000000",
                           "stop@ 7",
                           "stop@4294967296",
                           "late@1:86400001",
                           "stop@7,fly@3"}) {
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
