// The exact reports of each exchange, against a recording fake link.
#include <gtest/gtest.h>

#include <algorithm>

#include "DeviceLink.h"
#include "FakeWire.h"

namespace gantrel {
namespace {

using test::FakeBackend;
using test::FakeWire;

Report Command(std::uint8_t code) {
  Report report{};
  report[1] = code;
  return report;
}

FuseImage Pattern() {
  FuseImage image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return image;
}

class ExchangeBytes : public ::testing::Test {
 protected:
  ExchangeBytes() {
    // Leftovers of an earlier exchange, which no new report may carry.
    buffers.OutReport.fill(0xCC);
    buffers.InReport.fill(0xEE);
    buffers.BytesWritten = 7;
    buffers.BytesRead = 9;
  }

  FakeWire wire;
  FakeBackend backend{wire};
  DeviceLink link{backend};
  ReportBuffers buffers;
};

TEST_F(ExchangeBytes, UploadSendsUploadCommandThenTwelveBlocksInOrder) {
  const FuseImage image = Pattern();
  const ExchangeResult result = link.UploadFuseImage(buffers, image);
  ASSERT_TRUE(result.Ok()) << DescribeExchangeFailure(result);

  EXPECT_EQ(wire.Events, "-SRSRSRSRSRSRSRSRSRSRSRSRSR");
  ASSERT_EQ(wire.Sent.size(), 13u);
  EXPECT_EQ(wire.Sent[0], Command(CMD_UPLOAD));
  for (int block = 0; block < kImageBlockCount; ++block) {
    const Report& sent = wire.Sent[static_cast<std::size_t>(block) + 1];
    EXPECT_EQ(sent[0], 0) << "block " << block;
    EXPECT_TRUE(std::equal(sent.begin() + 1, sent.end(), image.begin() + block * kImageBlockSize))
        << "block " << block;
  }
  EXPECT_EQ(wire.Sent[1][1], image[0]);
  EXPECT_EQ(wire.Sent[12][64], image[767]);
  EXPECT_EQ(buffers.BytesWritten, 65u);
  EXPECT_EQ(buffers.BytesRead, 65u);
  EXPECT_EQ(buffers.InReport[0], 0);
}

TEST_F(ExchangeBytes, UploadOfBlankImageStillMovesThirteenEachWay) {
  const ExchangeResult result = link.UploadFuseImage(buffers, FuseImage{});
  ASSERT_TRUE(result.Ok());
  EXPECT_EQ(wire.Sent.size(), 13u);
  EXPECT_EQ(std::count(wire.Events.begin(), wire.Events.end(), 'R'), 13);
  for (std::size_t i = 1; i < wire.Sent.size(); ++i) EXPECT_EQ(wire.Sent[i], Report{});
}

TEST_F(ExchangeBytes, ProgramSendsOneClearedCommandAndJudgesByteOneOnly) {
  struct Case {
    std::uint8_t Byte1;
    bool Burned;
  };
  for (const Case c : {Case{0x61, true}, Case{0x41, false}, Case{0x00, false}}) {
    FakeWire oneWire;
    oneWire.Answer = [&c](int, const Report&) {
      Report answer;
      answer.fill(0x61);  // only byte 1 may decide
      answer[1] = c.Byte1;
      return std::optional<Report>(answer);
    };
    FakeBackend oneBackend{oneWire};
    DeviceLink oneLink{oneBackend};
    ReportBuffers oneBuffers;
    oneBuffers.OutReport.fill(0xCC);
    const ExchangeResult result = oneLink.ProgramChip(oneBuffers);
    ASSERT_TRUE(result.Ok()) << "byte 1 = " << int(c.Byte1);
    EXPECT_EQ(result.Burned, c.Burned) << "byte 1 = " << int(c.Byte1);
    ASSERT_EQ(oneWire.Sent.size(), 1u);
    EXPECT_EQ(oneWire.Sent[0], Command(CMD_PROGRAM));
    EXPECT_EQ(oneWire.Events, "-SR");
    EXPECT_TRUE(oneLink.IsOpen()) << "a failed burn is not a failed transfer";
  }
}

TEST_F(ExchangeBytes, ReadSendsReadThenElevenAcksAndNoneAfterTheLastBlock) {
  const FuseImage chip = Pattern();
  wire.Answer = [&chip](int index, const Report&) {
    Report answer{};
    std::copy_n(chip.begin() + (index - 1) * kImageBlockSize, kImageBlockSize, answer.begin() + 1);
    return std::optional<Report>(answer);
  };
  FuseImage image{};
  const ExchangeResult result = link.ReadFuseImage(buffers, image);
  ASSERT_TRUE(result.Ok()) << DescribeExchangeFailure(result);

  EXPECT_EQ(wire.Events, "-SRSRSRSRSRSRSRSRSRSRSRSR");
  ASSERT_EQ(wire.Sent.size(), 12u);
  EXPECT_EQ(wire.Sent[0], Command(CMD_READ));
  for (std::size_t i = 1; i < 12; ++i) EXPECT_EQ(wire.Sent[i], Command(CMD_ACK)) << "ack " << i;
  EXPECT_EQ(image, chip);
  EXPECT_EQ(buffers.InReport[0], 0);
}

TEST_F(ExchangeBytes, ReadOverwritesTheWholeImageBytesAfterTheLastFuseIncluded) {
  wire.Answer = [](int, const Report&) {
    Report answer;
    answer.fill(0x00);
    return std::optional<Report>(answer);
  };
  FuseImage image;
  image.fill(0xFF);
  ASSERT_TRUE(link.ReadFuseImage(buffers, image).Ok());
  EXPECT_EQ(image, FuseImage{});
}

TEST_F(ExchangeBytes, PesReversesAnswerBytesNineToOneAndEndsWithZero) {
  wire.Answer = [](int, const Report&) {
    Report answer;
    answer.fill('Z');  // bytes 10..64 must not show
    const std::string letters = "ABCDEFGHI";
    std::copy(letters.begin(), letters.end(), answer.begin() + 1);
    return std::optional<Report>(answer);
  };
  PesBytes pes{};
  const ExchangeResult result = link.ReadPes(buffers, pes);
  ASSERT_TRUE(result.Ok());
  const PesBytes expected = {'I', 'H', 'G', 'F', 'E', 'D', 'C', 'B', 'A', 0};
  EXPECT_EQ(pes, expected);
  ASSERT_EQ(wire.Sent.size(), 1u);
  EXPECT_EQ(wire.Sent[0], Command(CMD_PES));
}

TEST_F(ExchangeBytes, StaleInputIsTakenBeforeTheFirstReportAndNeverUsed) {
  Report stale;
  stale.fill('s');
  wire.Queued = {stale, stale, stale};
  wire.Answer = [](int, const Report&) {
    Report answer{};
    std::fill_n(answer.begin() + 1, 9, 'p');
    return std::optional<Report>(answer);
  };
  PesBytes pes{};
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  EXPECT_EQ(wire.Events, "RRR-SR");
  EXPECT_EQ(wire.Waits.front(), std::chrono::milliseconds(0));
  EXPECT_EQ(pes[0], 'p');
  EXPECT_EQ(buffers.BytesRead, 65u);
}

TEST_F(ExchangeBytes, EveryOutputReportOfEveryExchangeHasReportIdZero) {
  FuseImage image;
  image.fill(0xFF);
  PesBytes pes{};
  ASSERT_TRUE(link.UploadFuseImage(buffers, image).Ok());
  ASSERT_TRUE(link.ProgramChip(buffers).Ok());
  ASSERT_TRUE(link.ReadFuseImage(buffers, image).Ok());
  ASSERT_TRUE(link.ReadPes(buffers, pes).Ok());
  ASSERT_EQ(wire.Sent.size(), 13u + 1u + 12u + 1u);
  for (const Report& sent : wire.Sent) EXPECT_EQ(sent[0], 0);
}

TEST_F(ExchangeBytes, ProgressNamesEachTransferInOrder) {
  std::vector<std::string> steps;
  const ProgressFn progress = [&steps](const ExchangeProgress& p) {
    steps.push_back((p.Sending ? "S" : "R") + std::to_string(p.Index) + "/" +
                    std::to_string(p.Count));
  };
  FuseImage image{};
  ASSERT_TRUE(link.ReadFuseImage(buffers, image, progress).Ok());
  ASSERT_EQ(steps.size(), 24u);
  EXPECT_EQ(steps[0], "S1/12");
  EXPECT_EQ(steps[1], "R1/12");
  EXPECT_EQ(steps[2], "S2/12");
  EXPECT_EQ(steps[23], "R12/12");
}

TEST_F(ExchangeBytes, ShortWriteIsAFailedWrite) {
  wire.ShortWrite = 64;
  PesBytes pes = kPesBytes;
  const ExchangeResult result = link.ReadPes(buffers, pes);
  EXPECT_EQ(result.Error, ExchangeError::TransferFailed);
  EXPECT_EQ(result.Transfer, TransferError::WriteFailed);
  EXPECT_EQ(buffers.BytesWritten, 64u);
  EXPECT_EQ(pes, kPesBytes);
}

}  // namespace
}  // namespace gantrel
