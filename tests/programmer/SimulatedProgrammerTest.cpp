// The simulated programmer through the link, and the syntax of its faults.
#include <gtest/gtest.h>

#include "DeviceLink.h"
#include "SimulatedBackend.h"
#include "SimulatedProgrammer.h"

namespace gantrel {
namespace {

FuseImage Pattern(std::uint8_t seed) {
  FuseImage image{};
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint8_t>(i * 13 + seed);
  return image;
}

class SimulatedLink : public ::testing::Test {
 protected:
  SimulatedProgrammer programmer;
  SimulatedBackend backend{programmer};
  DeviceLink link{backend};
  ReportBuffers buffers;
};

TEST_F(SimulatedLink, UploadBurnAndReadBackGiveTheSameImage) {
  const FuseImage image = Pattern(5);
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  EXPECT_EQ(programmer.UploadedImage(), image);
  EXPECT_EQ(programmer.ChipImage(), FuseImage{}) << "an upload alone must not burn";

  const ExchangeResult burn = link.ProgramChip(buffers);
  ASSERT_TRUE(burn.Ok());
  EXPECT_TRUE(burn.Burned);

  FuseImage readBack{};
  ASSERT_TRUE(link.ReadFuseImage(buffers, readBack).Ok());
  EXPECT_EQ(readBack, image);
  EXPECT_EQ(programmer.UploadCount(), 1);
  EXPECT_EQ(programmer.BurnCount(), 1);
}

TEST_F(SimulatedLink, ReadBackSendsTheChipSetBeforehand) {
  const FuseImage chip = Pattern(99);
  programmer.SetChipImage(chip);
  FuseImage image{};
  ASSERT_TRUE(link.ReadFuseImage(buffers, image).Ok());
  EXPECT_EQ(image, chip);
}

TEST_F(SimulatedLink, PesComesBackAsTheChipStatesIt) {
  PesBytes pes{};
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(pes, kPesBytes);  // the default chip says "1F22L10C3"

  ASSERT_TRUE(programmer.SetPes("ABCDEFGHI"));
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  const PesBytes expected = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 0};
  EXPECT_EQ(pes, expected);
  // On the wire the characters travel reversed.
  EXPECT_EQ(buffers.InReport[1], 'I');
  EXPECT_EQ(buffers.InReport[9], 'A');
}

TEST_F(SimulatedLink, PesOfAnyOtherLengthIsRefused) {
  EXPECT_FALSE(programmer.SetPes("ABCDEFGH"));
  EXPECT_FALSE(programmer.SetPes("ABCDEFGHIJ"));
  EXPECT_EQ(programmer.Pes(), "1F22L10C3");
}

TEST_F(SimulatedLink, TwoBurnsAfterOneUploadSendWTwiceAndNothingElse) {
  const FuseImage image = Pattern(1);
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  ASSERT_TRUE(link.ProgramChip(buffers).Burned);
  ASSERT_TRUE(link.ProgramChip(buffers).Burned);

  ASSERT_EQ(programmer.Received().size(), 15u);
  Report w{};
  w[1] = CMD_PROGRAM;
  EXPECT_EQ(programmer.Received()[13], w);
  EXPECT_EQ(programmer.Received()[14], w);
  EXPECT_EQ(programmer.UploadCount(), 1);
  EXPECT_EQ(programmer.BurnCount(), 2);
  EXPECT_EQ(programmer.ChipImage(), image);
}

TEST_F(SimulatedLink, FailingBurnIsAnsweredAndLeavesTheChipAndTheLinkAsTheyWere) {
  programmer.SetFault({SimulatedFaultKind::BurnFails, 0, {}});
  ASSERT_TRUE(link.UploadFuseImage(buffers, Pattern(2)).Ok());
  const ExchangeResult burn = link.ProgramChip(buffers);
  ASSERT_TRUE(burn.Ok());
  EXPECT_FALSE(burn.Burned);
  EXPECT_EQ(buffers.InReport[1], SimulatedProgrammer::kBurnFailedAnswer);
  EXPECT_EQ(programmer.ChipImage(), FuseImage{});
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.Status().State, LinkState::Open);
}

TEST_F(SimulatedLink, LateBurnAnswerWithinTwentySecondsStillCounts) {
  programmer.SetFault({SimulatedFaultKind::Late, 1, std::chrono::milliseconds(3000)});
  int receiveCalls = 0;
  const ExchangeResult burn = link.ProgramChip(buffers, [&](const ExchangeProgress& p) {
    if (!p.Sending) ++receiveCalls;
  });
  ASSERT_TRUE(burn.Ok()) << DescribeExchangeFailure(burn);
  EXPECT_TRUE(burn.Burned);
  EXPECT_EQ(programmer.WaitedTime(), std::chrono::milliseconds(3000));
  // 59 slices of 50 ms pass without the answer; it comes at the end of the 60th.
  EXPECT_EQ(receiveCalls, 60);
}

TEST_F(SimulatedLink, ReportsAreCountedAcrossExchanges) {
  programmer.SetFault({SimulatedFaultKind::Stop, 14, {}});
  ASSERT_TRUE(link.UploadFuseImage(buffers, Pattern(3)).Ok());
  const ExchangeResult burn = link.ProgramChip(buffers);
  EXPECT_EQ(burn.Error, ExchangeError::TransferFailed);
  EXPECT_EQ(burn.Transfer, TransferError::NoAnswer);
  EXPECT_EQ(programmer.ReportCount(), 14u);
}

TEST_F(SimulatedLink, CommandInsideABrokenOffUploadIsTakenAsImageData) {
  // Why the link closes after a failed transfer: the firmware still waits for blocks.
  programmer.SetFault({SimulatedFaultKind::Late, 5, std::chrono::milliseconds(3000)});
  EXPECT_FALSE(link.UploadFuseImage(buffers, Pattern(4)).Ok());
  const ExchangeResult burn = link.ProgramChip(buffers);
  ASSERT_TRUE(burn.Ok());
  EXPECT_FALSE(burn.Burned);
  EXPECT_EQ(programmer.BurnCount(), 0);

  programmer.Reconnect();
  EXPECT_TRUE(link.ProgramChip(buffers).Burned);
}

TEST_F(SimulatedLink, ReplugWhileOpenIsTakenUpByTheNextExchange) {
  ASSERT_TRUE(link.EnsureOpen());
  programmer.Reconnect();  // the open handle is dead now
  PesBytes pes{};
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(pes, kPesBytes);
  EXPECT_EQ(backend.OpenCount(), 2);
}

TEST_F(SimulatedLink, VanishedProgrammerIsFoundAgainAfterReconnect) {
  programmer.SetFault({SimulatedFaultKind::Vanish, 1, {}});
  PesBytes pes = {};
  EXPECT_EQ(link.ReadPes(buffers, pes).Transfer, TransferError::DeviceGone);
  EXPECT_EQ(link.ReadPes(buffers, pes).Error, ExchangeError::NoProgrammer);
  EXPECT_EQ(link.Status().State, LinkState::NotFound);

  programmer.Reconnect();
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(pes, kPesBytes);
}

TEST(SimulatedFaultSyntax, ReadsEveryFault) {
  struct Case {
    const char* Text;
    SimulatedFaultKind Kind;
    std::uint64_t Report;
    std::int64_t DelayMs;
  };
  const Case cases[] = {
      {"stop@7", SimulatedFaultKind::Stop, 7, 3000},
      {"vanish@3", SimulatedFaultKind::Vanish, 3, 3000},
      {"late@5", SimulatedFaultKind::Late, 5, 3000},
      {"late@5:25000", SimulatedFaultKind::Late, 5, 25000},
      {"late@1:0", SimulatedFaultKind::Late, 1, 0},
      {"burn-fails", SimulatedFaultKind::BurnFails, 0, 3000},
  };
  for (const Case& c : cases) {
    SimulatedFault fault;
    std::string error;
    ASSERT_TRUE(ParseSimulatedFault(c.Text, fault, error)) << c.Text << ": " << error;
    EXPECT_EQ(fault.Kind, c.Kind) << c.Text;
    EXPECT_EQ(fault.Report, c.Report) << c.Text;
    EXPECT_EQ(fault.Delay.count(), c.DelayMs) << c.Text;
    SimulatedFault again;
    ASSERT_TRUE(ParseSimulatedFault(FormatSimulatedFault(fault), again, error)) << c.Text;
    EXPECT_EQ(again.Kind, fault.Kind);
    EXPECT_EQ(again.Report, fault.Report);
    EXPECT_EQ(again.Delay, fault.Delay);
  }
}

TEST(SimulatedFaultSyntax, RefusesMalformedFaultsAndKeepsTheOldOne) {
  const char* bad[] = {"",
                       "stop",
                       "stop@",
                       "stop@0",
                       "stop@-1",
                       "stop@+2",
                       "stop@7x",
                       "stop@7:100",
                       "late@5:",
                       "late@5:-1",
                       "late@:5",
                       "fly@3",
                       "burn-fails@1",
                       "STOP@7",
                       "stop@99999999999",
                       "late@5:100000000",
                       "stop@ 7"};
  for (const char* text : bad) {
    SimulatedFault fault{SimulatedFaultKind::Stop, 42, std::chrono::milliseconds(1)};
    std::string error;
    EXPECT_FALSE(ParseSimulatedFault(text, fault, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(fault.Report, 42u) << text;
  }
  SimulatedFault fault;
  std::string error;
  ParseSimulatedFault("fly@3", fault, error);
  EXPECT_EQ(error,
            "unknown fault 'fly@3' (expected stop@N, vanish@N, late@N, late@N:MS or burn-fails)");
}

}  // namespace
}  // namespace gantrel
