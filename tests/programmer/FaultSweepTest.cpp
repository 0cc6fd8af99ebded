// Every fault at every report of every exchange: each one fails within its bound, sends nothing
// more, names its step, hands back no data, closes the link, and the next exchange finds the
// programmer again.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceLink.h"
#include "FakeWire.h"
#include "SimulatedBackend.h"
#include "SimulatedProgrammer.h"

namespace gantrel {
namespace {

using std::chrono::milliseconds;

struct ExchangeShape {
  ExchangeKind Kind;
  const char* Name;
  int Reports;  // output reports sent, and input reports taken
  milliseconds Bound;
};

const ExchangeShape kExchanges[] = {
    {ExchangeKind::Upload, "upload", 13, LinkTimeouts{}.Answer},
    {ExchangeKind::Program, "program", 1, LinkTimeouts{}.Program},
    {ExchangeKind::Read, "read", 12, LinkTimeouts{}.Answer},
    {ExchangeKind::Pes, "pes", 1, LinkTimeouts{}.Answer},
};

FuseImage Pattern() {
  FuseImage image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i ^ 0xA5);
  return image;
}

// What the caller holds before the exchange; none of it may change when the exchange fails.
struct CallerData {
  FuseImage Image;
  PesBytes Pes;
  CallerData() {
    Image.fill(0x5A);
    Pes.fill('x');
  }
};

ExchangeResult RunExchange(ExchangeKind kind, DeviceLink& link, ReportBuffers& buffers,
                           CallerData& data) {
  switch (kind) {
    case ExchangeKind::Upload:
      return link.UploadFuseImage(buffers, Pattern());
    case ExchangeKind::Program:
      return link.ProgramChip(buffers);
    case ExchangeKind::Read:
      return link.ReadFuseImage(buffers, data.Image);
    case ExchangeKind::Pes:
      return link.ReadPes(buffers, data.Pes);
  }
  return {};
}

// How the failure of transfer `step` must begin, in English.
std::string StepName(ExchangeKind kind, bool sending, int step) {
  const std::string n = std::to_string(step);
  switch (kind) {
    case ExchangeKind::Upload:
      return (sending ? "report " : "answer to report ") + n + " of 13 " +
             (step == 1 ? "(upload command)" : "(block " + std::to_string(step - 1) + ")");
    case ExchangeKind::Program:
      return sending ? "program command" : "answer to the program command";
    case ExchangeKind::Read:
      if (!sending) return "block " + n + " of 12";
      return step == 1 ? "read command" : "acknowledgement " + std::to_string(step - 1) + " of 11";
    case ExchangeKind::Pes:
      return sending ? "PES command" : "answer to the PES command";
  }
  return {};
}

void ExpectCallerDataUntouched(const CallerData& data) {
  const CallerData fresh;
  EXPECT_EQ(data.Image, fresh.Image);
  EXPECT_EQ(data.Pes, fresh.Pes);
}

TEST(FaultSweep, SimulatedFaultAtEveryReportOfEveryExchange) {
  for (const ExchangeShape& shape : kExchanges) {
    for (int n = 1; n <= shape.Reports; ++n) {
      for (SimulatedFaultKind kind :
           {SimulatedFaultKind::Stop, SimulatedFaultKind::Late, SimulatedFaultKind::Vanish}) {
        SimulatedFault fault{kind, static_cast<std::uint64_t>(n), shape.Bound + milliseconds(1000)};
        SCOPED_TRACE(std::string(shape.Name) + " with " + FormatSimulatedFault(fault));
        SimulatedProgrammer programmer;
        programmer.SetChipImage(Pattern());
        programmer.SetFault(fault);
        SimulatedBackend backend(programmer);
        DeviceLink link(backend);
        ReportBuffers buffers;
        CallerData data;

        const ExchangeResult result = RunExchange(shape.Kind, link, buffers, data);

        ASSERT_EQ(result.Error, ExchangeError::TransferFailed);
        EXPECT_EQ(result.Kind, shape.Kind);
        EXPECT_EQ(result.Step, n);
        EXPECT_EQ(result.StepCount, shape.Reports);
        // Nothing is sent after the report that met the fault.
        EXPECT_EQ(programmer.ReportCount(), static_cast<std::uint64_t>(n));
        const std::string text = DescribeExchangeFailure(result);
        if (kind == SimulatedFaultKind::Vanish) {
          EXPECT_EQ(result.Transfer, TransferError::DeviceGone);
          EXPECT_TRUE(result.Sending);
          EXPECT_EQ(programmer.Received().size(), static_cast<std::size_t>(n - 1));
          EXPECT_EQ(programmer.WaitedTime(), milliseconds(0));
          EXPECT_EQ(text, StepName(shape.Kind, true, n) + ": device gone: device disconnected");
        } else {
          EXPECT_EQ(result.Transfer, TransferError::NoAnswer);
          EXPECT_FALSE(result.Sending);
          EXPECT_EQ(programmer.Received().size(), static_cast<std::size_t>(n));
          EXPECT_EQ(result.Bound, shape.Bound);
          // The whole bound was waited, and not a slice more.
          EXPECT_EQ(programmer.WaitedTime(), shape.Bound);
          EXPECT_EQ(text, StepName(shape.Kind, false, n) + ": no answer within " +
                              DescribeBound(shape.Bound));
        }
        ExpectCallerDataUntouched(data);
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(link.Status().State, LinkState::Closed);
        EXPECT_EQ(link.Status().Reason, text);

        // Unplugged and plugged in again: the next exchange finds it without a restart.
        programmer.Reconnect();
        PesBytes pes{};
        ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
        EXPECT_EQ(pes, kPesBytes);
        EXPECT_EQ(backend.DiscoveryCount(), 2);
        EXPECT_EQ(backend.OpenCount(), 2);
        EXPECT_TRUE(link.IsOpen());
      }
    }
  }
}

TEST(FaultSweep, StoppedProgrammerIsSearchedForAgainAtTheNextExchange) {
  for (const ExchangeShape& shape : kExchanges) {
    SCOPED_TRACE(shape.Name);
    SimulatedProgrammer programmer;
    programmer.SetFault({SimulatedFaultKind::Stop, 1, {}});
    SimulatedBackend backend(programmer);
    DeviceLink link(backend);
    ReportBuffers buffers;
    CallerData data;
    ASSERT_FALSE(RunExchange(shape.Kind, link, buffers, data).Ok());
    // Still plugged in but silent: found and opened again, and it fails again in its bound.
    const ExchangeResult again = RunExchange(shape.Kind, link, buffers, data);
    EXPECT_EQ(again.Transfer, TransferError::NoAnswer);
    EXPECT_EQ(backend.DiscoveryCount(), 2);
    EXPECT_EQ(programmer.WaitedTime(), shape.Bound * 2);
    ExpectCallerDataUntouched(data);
  }
}

TEST(FaultSweep, FailedTransferAtEverySendAndReceiveOfTheFakeLink) {
  struct Fault {
    bool OnSend;
    TransferError Error;
  };
  const Fault faults[] = {{true, TransferError::WriteFailed},
                          {true, TransferError::DeviceGone},
                          {false, TransferError::DeviceGone}};
  for (const ExchangeShape& shape : kExchanges) {
    for (int n = 1; n <= shape.Reports; ++n) {
      for (const Fault& fault : faults) {
        SCOPED_TRACE(std::string(shape.Name) + (fault.OnSend ? " send " : " receive ") +
                     std::to_string(n) + ": " + TransferErrorName(fault.Error));
        test::FakeWire wire;
        (fault.OnSend ? wire.FailSend : wire.FailAnswer) = n;
        (fault.OnSend ? wire.SendError : wire.AnswerError) = fault.Error;
        test::FakeBackend backend(wire);
        DeviceLink link(backend);
        ReportBuffers buffers;
        CallerData data;

        const ExchangeResult result = RunExchange(shape.Kind, link, buffers, data);

        ASSERT_EQ(result.Error, ExchangeError::TransferFailed);
        EXPECT_EQ(result.Transfer, fault.Error);
        EXPECT_EQ(result.Sending, fault.OnSend);
        EXPECT_EQ(result.Step, n);
        EXPECT_EQ(result.Detail, "test failure");
        EXPECT_EQ(wire.Sent.size(), static_cast<std::size_t>(n));
        // The failed transfer is the last one: no send and no receive after it.
        EXPECT_EQ(wire.Events.back(), fault.OnSend ? 'S' : '-');
        EXPECT_EQ(DescribeExchangeFailure(result), StepName(shape.Kind, fault.OnSend, n) + ": " +
                                                       TransferErrorName(fault.Error) +
                                                       ": test failure");
        ExpectCallerDataUntouched(data);
        EXPECT_FALSE(link.IsOpen());
        EXPECT_EQ(wire.Closes, 1) << "both handles closed";

        wire.FailSend = wire.FailAnswer = 0;
        const std::size_t sentBefore = wire.Sent.size();
        EXPECT_TRUE(RunExchange(shape.Kind, link, buffers, data).Ok());
        EXPECT_EQ(backend.Discoveries, 2);
        EXPECT_EQ(wire.Opens, 2);
        EXPECT_EQ(wire.Sent.size(), sentBefore + static_cast<std::size_t>(shape.Reports));
      }
    }
  }
}

}  // namespace
}  // namespace gantrel
