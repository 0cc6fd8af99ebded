#include "SimulatedTransport.h"

#include <algorithm>

namespace gantrel {

SimulatedTransport::SimulatedTransport(SimulatedProgrammer& programmer)
    : programmer_(programmer), connection_(programmer.Connection()) {}

bool SimulatedTransport::Alive() const {
  return programmer_.IsPresent() && programmer_.Connection() == connection_;
}

TransferStatus SimulatedTransport::Send(const Report& report, std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  // A handle from before a reconnect reaches no device and counts no report.
  if (programmer_.Connection() != connection_)
    return {TransferError::DeviceGone, "device disconnected"};
  const SimulatedProgrammer::Outcome outcome = programmer_.TakeReport(report);
  if (!outcome.Delivered) return {TransferError::DeviceGone, "device disconnected"};
  bytesWritten = static_cast<std::uint32_t>(kReportSize);
  if (outcome.Answers) queue_.push_back({outcome.Answer, outcome.Delay, outcome.Number});
  return {};
}

TransferStatus SimulatedTransport::Receive(Report& report, std::chrono::milliseconds wait,
                                           std::uint32_t& bytesRead) {
  bytesRead = 0;
  if (!Alive()) return {TransferError::DeviceGone, "device disconnected"};
  const std::chrono::milliseconds zero{0};
  wait = std::max(wait, zero);
  if (queue_.empty() || queue_.front().Delay > wait) {
    // Nothing arrives within `wait`: the time passes all the same, as in hid_read_timeout.
    if (!queue_.empty()) queue_.front().Delay -= wait;
    programmer_.AddWaitedTime(wait);
    return {TransferError::NoAnswer, {}};
  }
  const Pending answer = queue_.front();
  queue_.pop_front();
  programmer_.AddWaitedTime(answer.Delay);
  std::copy(answer.Bytes.begin() + 1, answer.Bytes.end(), report.begin() + 1);
  bytesRead = static_cast<std::uint32_t>(kReportSize);
  programmer_.AnswerTaken(answer.Number);
  return {};
}

}  // namespace gantrel
