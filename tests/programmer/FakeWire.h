// A recording stand-in for the programmer's HID link: it keeps every report sent and every
// wait asked for, answers from a script, and fails a chosen transfer.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DeviceBackend.h"
#include "Transport.h"

namespace gantrel::test {

// What travelled over the fake link; shared by the backend and every transport it opens.
struct FakeWire {
  // Every transfer in order: 'S' for a send, 'R' for a receive that took a report, '-' for a
  // receive that found none.
  std::string Events;
  std::vector<Report> Sent;
  std::vector<std::chrono::milliseconds> Waits;  // the wait of every receive, in order
  std::deque<Report> Queued;                     // input reports waiting on the read handle

  // The answer to a report sent (index counts sends from 1); null for no answer. The default
  // fills bytes 1..64 with the send's index plus the byte's position.
  std::function<std::optional<Report>(int index, const Report& sent)> Answer;

  int FailSend = 0;  // this send (1-based) fails with SendError
  TransferError SendError = TransferError::WriteFailed;
  int FailAnswer = 0;  // taking the answer to this send fails with AnswerError
  TransferError AnswerError = TransferError::DeviceGone;
  TransferError StaleError = TransferError::None;  // taking a report queued before the open
  std::string FailureDetail = "test failure";
  std::uint32_t ShortWrite = 0;  // when not 0, every send reports this many bytes moved

  int Opens = 0;
  int Closes = 0;
};

class RecordingTransport : public Transport {
 public:
  explicit RecordingTransport(FakeWire& wire);
  ~RecordingTransport() override;
  TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) override;
  TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                         std::uint32_t& bytesRead) override;

 private:
  FakeWire& wire_;
  std::deque<int> answerOf_;  // which send each queued answer belongs to (0: stale input)
};

// Opens RecordingTransports on one FakeWire, or fails as `Status` says.
class FakeBackend : public DeviceBackend {
 public:
  explicit FakeBackend(FakeWire& wire) : wire_(wire) {}
  std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) override;

  bool Present = true;
  DiscoveryStatus Failure;  // used as the status when Present is false
  int Discoveries = 0;

 private:
  FakeWire& wire_;
};

}  // namespace gantrel::test
