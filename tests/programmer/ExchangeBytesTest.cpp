// The exact reports of each exchange, the waits and the link's state, against a recording fake.
#include <gtest/gtest.h>

#include <numeric>

#include "DeviceLink.h"

namespace gantrel {
namespace {

using std::chrono::milliseconds;

// A programmer that is always found; it keeps every transfer and every wait, and answers each
// report from a script.
struct FakeWire : DeviceBackend {
  std::string Events;  // every transfer in order: 'S' send, 'R' report taken, '-' none taken
  std::vector<Report> Sent;
  std::vector<int> Waits;      // the wait of every receive in ms, in order
  std::vector<Report> Queued;  // input reports waiting on the read handle
  // The answer to send `index` (1-based), if any; by default all zero.
  std::function<std::optional<Report>(int index)> Answer = [](int) { return Report{}; };
  TransferError SendError = TransferError::None, ReceiveError = TransferError::None;
  int Opens = 0, Closes = 0;

  // Every open hands out a handle onto this one fake, counting opens and closes.
  struct Handle : Transport {
    explicit Handle(FakeWire& wire) : w(wire) { ++w.Opens; }
    ~Handle() override { ++w.Closes; }
    TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) override {
      w.Events += 'S';
      w.Sent.push_back(report);
      bytesWritten = w.SendError == TransferError::None ? 65 : 0;
      if (w.SendError != TransferError::None) return {w.SendError, "test failure"};
      if (auto answer = w.Answer(static_cast<int>(w.Sent.size()))) w.Queued.push_back(*answer);
      return {};
    }
    TransferStatus Receive(Report& report, milliseconds wait, std::uint32_t& bytesRead) override {
      w.Waits.push_back(static_cast<int>(wait.count()));
      bytesRead = 0;
      w.Events += w.ReceiveError != TransferError::None || w.Queued.empty() ? '-' : 'R';
      if (w.ReceiveError != TransferError::None) return {w.ReceiveError, "test failure"};
      if (w.Queued.empty()) return {TransferError::NoAnswer, {}};
      std::copy(w.Queued.front().begin() + 1, w.Queued.front().end(), report.begin() + 1);
      w.Queued.erase(w.Queued.begin());
      bytesRead = 65;
      return {};
    }
    FakeWire& w;
  };
  std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) override {
    status = DiscoveryStatus{LinkState::Open, "/dev/hidraw7", {}, false};
    return std::make_unique<Handle>(*this);
  }
};

// Block `block` of `image` as the report that carries it, or as the answer that brings it.
Report Block(const FuseImage& image, int block) {
  Report report{};
  std::copy_n(image.begin() + block * kImageBlockSize, kImageBlockSize, report.begin() + 1);
  return report;
}

TEST(ExchangeBytes, EachExchangeProbesThenSendsExactlyItsReportsOneAnswerEach) {
  FuseImage chip{}, image{};  // every block of chip holds bytes that are not 0
  std::iota(chip.begin(), chip.end(), std::uint8_t{0x61});
  std::vector<Report> upload = {Report{0, CMD_UPLOAD}}, read = {Report{0, CMD_READ}};
  for (int block = 0; block < kImageBlockCount; ++block) upload.push_back(Block(chip, block));
  read.resize(kImageBlockCount, Report{0, CMD_ACK});  // no 'a' after the last block
  PesBytes pes;
  pes.fill(0xFF);  // its closing zero must come from the exchange
  using Run = std::function<ExchangeResult(DeviceLink&, ReportBuffers&, const ProgressFn&)>;
  const std::pair<Run, std::vector<Report>> cases[] = {
      {[&](auto& l, auto& b, auto& p) { return l.UploadFuseImage(b, chip, p); }, upload},
      {[](auto& l, auto& b, auto& p) { return l.ProgramChip(b, p); }, {Report{0, CMD_PROGRAM}}},
      {[&](auto& l, auto& b, auto& p) { return l.ReadFuseImage(b, image, p); }, read},
      {[&](auto& l, auto& b, auto& p) { return l.ReadPes(b, pes, p); }, {Report{0, CMD_PES}}},
  };
  for (const auto& [run, sent] : cases) {
    SCOPED_TRACE(sent[0][1]);
    FakeWire wire;
    // Input left over from before, which no exchange may take for an answer.
    wire.Queued.assign(2, Report{0, 's', 's', 's'});
    wire.Answer = [&chip](int index) { return Block(chip, (index - 1) % kImageBlockCount); };
    DeviceLink link(wire);
    link.OpenProgrammer();  // a burn opens none
    ReportBuffers buffers;  // leftovers of an earlier exchange, which no new report may carry
    buffers.OutReport.fill(0xCC);
    buffers.InReport.fill(0xEE);
    std::string progress, steps, events = "RR-";  // probed first, without waiting
    const ExchangeResult result = run(link, buffers, [&progress](const ExchangeProgress& p) {
      progress +=
          (p.Sending ? " S" : " R") + std::to_string(p.Index) + "/" + std::to_string(p.Count);
    });
    ASSERT_TRUE(result.Ok()) << DescribeExchangeFailure(result);
    // Byte 1 of the answer to 'w' is 0x61, the rest of it is not: only byte 1 decides.
    EXPECT_EQ(result.Burned, sent[0][1] == CMD_PROGRAM);
    EXPECT_EQ(wire.Sent, sent);  // byte 0 and every unused byte 0, in this order
    for (std::size_t i = 1; i <= sent.size(); ++i) {
      const std::string of = std::to_string(i) + "/" + std::to_string(sent.size());
      steps += " S" + of + " R" + of;
      events += "SR";
    }
    EXPECT_EQ(wire.Events, events);
    EXPECT_EQ(std::count(wire.Waits.begin(), wire.Waits.end(), 0), 3);  // only the drain's
    EXPECT_EQ(progress, steps);
    EXPECT_EQ(std::tie(buffers.BytesWritten, buffers.BytesRead, buffers.InReport[0]),
              std::make_tuple(65u, 65u, 0));
  }
  EXPECT_EQ(image, chip);
  // Answer bytes 9 down to 1, then a zero.
  EXPECT_EQ(pes, (PesBytes{chip[8], chip[7], chip[6], chip[5], chip[4], chip[3], chip[2], chip[1],
                           chip[0], 0}));
}

TEST(DeviceLink, CountsConnectionsAndBurnsOnlyOverAnOpenOne) {
  FakeWire wire;
  DeviceLink link(wire);
  EXPECT_EQ(link.ConnectionNumber(), 0u);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::Open);
  EXPECT_EQ(link.OpenProgrammer().State, LinkState::Open);
  EXPECT_EQ(wire.Closes, 1) << "the open one is closed first";
  EXPECT_TRUE(link.EnsureOpen());
  EXPECT_EQ(std::make_tuple(wire.Opens, wire.Events, link.ConnectionNumber()),
            std::make_tuple(2, std::string("-"), std::uint64_t{2}))
      << "an open link is probed, not searched again";
  link.Close();
  ReportBuffers buffers;
  const ExchangeResult burn = link.ProgramChip(buffers);
  EXPECT_EQ(DescribeExchangeFailure(burn), "the programmer at /dev/hidraw7 was disconnected");
  EXPECT_EQ(wire.Opens, 2) << "a burn opens nothing";
  EXPECT_TRUE(link.EnsureOpen());
  EXPECT_EQ(link.ConnectionNumber(), 3u);
}

TEST(DeviceLink, FailedTransferWaitsTheBoundInSlicesSaysWhereAndKeepsTheHandles) {
  const TransferError none = TransferError::None, silent = TransferError::NoAnswer;
  const std::string pes = "answer to the PES command: no answer within 700 ms",
                    program = "answer to the program command: no answer within 900 ms";
  // 'w' or 'p', slice, send error, transfers, waits (the probe's first), text. A send that
  // "times out" failed.
  const struct {
    bool program;
    int slice;
    TransferError send;
    const char* events;
    std::vector<int> waits;
    std::string text;
  } cases[] = {
      {false, 300, none, "-S---", {0, 300, 300, 100}, pes},
      {true, 300, none, "-S---", {0, 300, 300, 300}, program},
      {false, 0, none, "-S-", {0, 700}, pes},
      {false, 300, silent, "-S", {0}, "PES command: write failed: test failure"},
  };
  for (const auto& c : cases) {
    FakeWire wire;
    wire.Answer = [](int) { return std::nullopt; };
    wire.SendError = c.send;
    DeviceLink link(wire,
                    LinkTimeouts{milliseconds(700), milliseconds(900), milliseconds(c.slice)});
    link.OpenProgrammer();
    ReportBuffers buffers;
    PesBytes got = kPesBytes;
    const ExchangeResult result =
        c.program ? link.ProgramChip(buffers) : link.ReadPes(buffers, got);
    EXPECT_EQ(wire.Events, c.events) << c.text;
    EXPECT_EQ(wire.Waits, c.waits) << c.text;
    EXPECT_EQ(DescribeExchangeFailure(result), c.text);
    EXPECT_EQ(std::make_tuple(link.IsOpen(), link.OutOfStep(), wire.Closes),
              std::make_tuple(true, true, 0));
    EXPECT_EQ(got, kPesBytes);
  }
  EXPECT_EQ(
      DescribeDiscovery({LinkState::OpenFailed, "/dev/hidraw0", "Device or resource busy", false}),
      "programmer found at /dev/hidraw0 but it could not be opened: Device or resource busy");
  EXPECT_EQ(DescribeExchangeFailure(ExchangeResult{}), "");
}

}  // namespace
}  // namespace gantrel
