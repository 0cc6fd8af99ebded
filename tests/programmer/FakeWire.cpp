#include "FakeWire.h"

#include <algorithm>

namespace gantrel::test {

RecordingTransport::RecordingTransport(FakeWire& wire) : wire_(wire) {
  ++wire_.Opens;
  answerOf_.assign(wire_.Queued.size(), 0);
}

RecordingTransport::~RecordingTransport() {
  ++wire_.Closes;
}

TransferStatus RecordingTransport::Send(const Report& report, std::uint32_t& bytesWritten) {
  wire_.Events += 'S';
  const int index = static_cast<int>(wire_.Sent.size()) + 1;
  wire_.Sent.push_back(report);
  if (index == wire_.FailSend) {
    bytesWritten = 0;
    return {wire_.SendError, wire_.FailureDetail};
  }
  bytesWritten = wire_.ShortWrite != 0 ? wire_.ShortWrite : static_cast<std::uint32_t>(kReportSize);
  if (wire_.ShortWrite != 0) return {TransferError::WriteFailed, "short write"};
  std::optional<Report> answer;
  if (wire_.Answer) {
    answer = wire_.Answer(index, report);
  } else {
    Report made{};
    for (std::size_t i = 1; i < made.size(); ++i) made[i] = static_cast<std::uint8_t>(index + i);
    answer = made;
  }
  if (answer) {
    wire_.Queued.push_back(*answer);
    answerOf_.push_back(index);
  }
  return {};
}

TransferStatus RecordingTransport::Receive(Report& report, std::chrono::milliseconds wait,
                                           std::uint32_t& bytesRead) {
  wire_.Waits.push_back(wait);
  bytesRead = 0;
  if (wire_.Queued.empty()) {
    wire_.Events += '-';
    return {TransferError::NoAnswer, {}};
  }
  const int index = answerOf_.empty() ? 0 : answerOf_.front();
  if ((index != 0 && index == wire_.FailAnswer) ||
      (index == 0 && wire_.StaleError != TransferError::None)) {
    wire_.Events += '-';
    return {index == 0 ? wire_.StaleError : wire_.AnswerError, wire_.FailureDetail};
  }
  wire_.Events += 'R';
  std::copy(wire_.Queued.front().begin() + 1, wire_.Queued.front().end(), report.begin() + 1);
  wire_.Queued.pop_front();
  if (!answerOf_.empty()) answerOf_.pop_front();
  bytesRead = static_cast<std::uint32_t>(kReportSize);
  return {};
}

std::unique_ptr<Transport> FakeBackend::OpenProgrammer(DiscoveryStatus& status) {
  ++Discoveries;
  if (!Present) {
    status = Failure;
    return nullptr;
  }
  status = DiscoveryStatus{LinkState::Open, "/dev/hidraw7", {}, false};
  return std::make_unique<RecordingTransport>(wire_);
}

}  // namespace gantrel::test
