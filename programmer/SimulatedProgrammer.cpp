#include "SimulatedProgrammer.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <deque>
#include <utility>

namespace gantrel {

namespace {

constexpr std::string_view kFaultSyntax =
    "expected stop@N, vanish@N, replug@N, late@N, late@N:MS, burn-fails, no-chip or stuck@F";

// One open handle on a SimulatedProgrammer, with its own queue of answers.
class SimulatedTransport : public Transport {
 public:
  explicit SimulatedTransport(SimulatedProgrammer& programmer)
      : programmer_(programmer), connection_(programmer.Connection()) {}

  TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) override {
    bytesWritten = 0;
    // A handle from before a reconnect reaches no device and counts no report.
    if (programmer_.Connection() != connection_) return Gone();
    const SimulatedProgrammer::Outcome outcome = programmer_.TakeReport(report);
    if (!outcome.Delivered) return Gone();
    bytesWritten = static_cast<std::uint32_t>(kReportSize);
    if (outcome.Answers) queue_.push_back({outcome.Answer, outcome.Delay, outcome.Number});
    return {};
  }

  // Takes the next queued answer once its delay has been waited out; returns at once but
  // counts the whole `wait` as spent (in the programmer's WaitedTime) when none is ready.
  TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                         std::uint32_t& bytesRead) override {
    bytesRead = 0;
    if (!programmer_.IsPresent() || programmer_.Connection() != connection_) return Gone();
    wait = std::max(wait, std::chrono::milliseconds(0));
    if (queue_.empty() || queue_.front().Delay > wait) {
      // Nothing arrives within `wait`: the time passes all the same, as in hid_read_timeout.
      if (!queue_.empty()) queue_.front().Delay -= wait;
      programmer_.AddWaitedTime(wait);
      return {TransferError::NoAnswer, {}};
    }
    const Pending answer = queue_.front();
    queue_.pop_front();
    programmer_.AddWaitedTime(answer.Delay);
    report = answer.Bytes;
    bytesRead = static_cast<std::uint32_t>(kReportSize);
    programmer_.AnswerTaken(answer.Number);
    return {};
  }

 private:
  struct Pending {
    Report Bytes;
    std::chrono::milliseconds Delay;
    std::uint64_t Number;
  };
  static TransferStatus Gone() { return {TransferError::DeviceGone, "device disconnected"}; }

  SimulatedProgrammer& programmer_;
  std::uint64_t connection_;
  std::deque<Pending> queue_;
};

// Reads a whole decimal number with no sign; false on anything else or above `limit`.
bool ParseNumber(std::string_view digits, std::uint64_t limit, std::uint64_t& value) {
  // from_chars takes no sign of its own; a '+' or a space is not a digit either.
  std::uint64_t result = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, result);
  if (digits.empty() || stop != end || error != std::errc() || result > limit) return false;
  value = result;
  return true;
}

}  // namespace

bool ParseSimulatedFault(std::string_view text, SimulatedFault& fault, std::string& error) {
  if (text == "burn-fails") {
    fault = SimulatedFault{SimulatedFaultKind::BurnFails, 0, SimulatedFault{}.Delay};
    return true;
  }
  if (text == "no-chip") {
    fault = SimulatedFault{SimulatedFaultKind::NoChip, 0, SimulatedFault{}.Delay};
    return true;
  }
  const std::size_t at = text.find('@');
  if (at == std::string_view::npos) {
    error = "unknown fault '" + std::string(text) + "' (" + std::string(kFaultSyntax) + ")";
    return false;
  }
  const std::string_view name = text.substr(0, at);
  std::string_view rest = text.substr(at + 1);
  SimulatedFault parsed;
  if (name == "stop") {
    parsed.Kind = SimulatedFaultKind::Stop;
  } else if (name == "vanish") {
    parsed.Kind = SimulatedFaultKind::Vanish;
  } else if (name == "replug") {
    parsed.Kind = SimulatedFaultKind::Replug;
  } else if (name == "late") {
    parsed.Kind = SimulatedFaultKind::Late;
  } else if (name == "stuck") {
    std::uint64_t fuse = 0;
    if (!ParseNumber(rest, kDeviceFuseCount - 1, fuse)) {
      error = "fault '" + std::string(text) + "': the fuse must be a whole number from 0 to " +
              std::to_string(kDeviceFuseCount - 1);
      return false;
    }
    fault = SimulatedFault{SimulatedFaultKind::Stuck, fuse, SimulatedFault{}.Delay};
    return true;
  } else {
    error = "unknown fault '" + std::string(text) + "' (" + std::string(kFaultSyntax) + ")";
    return false;
  }
  std::string_view delay;
  const std::size_t colon = rest.find(':');
  if (colon != std::string_view::npos) {
    if (parsed.Kind != SimulatedFaultKind::Late) {
      error = "fault '" + std::string(text) + "': only late@N takes a delay (:MS)";
      return false;
    }
    delay = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
  }
  std::uint64_t report = 0;
  // A report number beyond 2^32 can never be reached by any run; refusing it keeps it exact.
  if (!ParseNumber(rest, 0xFFFFFFFFu, report) || report == 0) {
    error = "fault '" + std::string(text) + "': the report number must be a whole number from 1";
    return false;
  }
  parsed.Report = report;
  if (colon != std::string_view::npos) {
    std::uint64_t ms = 0;
    // A day is far beyond every bound the link uses.
    if (!ParseNumber(delay, 86400000u, ms)) {
      error = "fault '" + std::string(text) +
              "': the delay must be a whole number of milliseconds up to 86400000";
      return false;
    }
    parsed.Delay = std::chrono::milliseconds(static_cast<std::int64_t>(ms));
  }
  fault = parsed;
  return true;
}

bool ParseSimulatedFaults(std::string_view text, std::vector<SimulatedFault>& faults,
                          std::string& error) {
  std::vector<SimulatedFault> parsed;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(',', start);
    const std::string_view item = text.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (item.empty()) {
      error = "empty fault in the list '" + std::string(text) + "'";
      return false;
    }
    SimulatedFault fault;
    if (!ParseSimulatedFault(item, fault, error)) return false;
    parsed.push_back(fault);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  faults = std::move(parsed);
  return true;
}

std::string FormatSimulatedFault(const SimulatedFault& fault) {
  const std::string report = std::to_string(fault.Report);
  switch (fault.Kind) {
    case SimulatedFaultKind::None:
      return "none";
    case SimulatedFaultKind::Stop:
      return "stop@" + report;
    case SimulatedFaultKind::Late:
      return "late@" + report + ":" + std::to_string(fault.Delay.count());
    case SimulatedFaultKind::Vanish:
      return "vanish@" + report;
    case SimulatedFaultKind::Replug:
      return "replug@" + report;
    case SimulatedFaultKind::BurnFails:
      return "burn-fails";
    case SimulatedFaultKind::NoChip:
      return "no-chip";
    case SimulatedFaultKind::Stuck:
      return "stuck@" + report;
  }
  return "none";
}

SimulatedProgrammer::SimulatedProgrammer() = default;

bool SimulatedProgrammer::SetPes(std::string_view pes) {
  if (pes.size() != 9) return false;
  pes_.assign(pes);
  return true;
}

void SimulatedProgrammer::SetFaults(std::vector<SimulatedFault> faults) {
  faults_ = std::move(faults);
  if (Strikes(SimulatedFaultKind::Replug, reportCount_ + 1)) Reconnect();
}

void SimulatedProgrammer::SetFault(const SimulatedFault& fault) {
  std::vector<SimulatedFault> faults;
  if (fault.Kind != SimulatedFaultKind::None) faults.push_back(fault);
  SetFaults(std::move(faults));
}

bool SimulatedProgrammer::Strikes(SimulatedFaultKind kind, std::uint64_t report) const {
  return std::any_of(faults_.begin(), faults_.end(), [&](const SimulatedFault& fault) {
    return fault.Kind == kind && (kind == SimulatedFaultKind::BurnFails ||
                                  kind == SimulatedFaultKind::NoChip || fault.Report == report);
  });
}

void SimulatedProgrammer::Reconnect() {
  present_ = true;
  stopped_ = false;
  ++connection_;
  mode_ = Mode::Idle;
  nextBlock_ = 0;
  uploadedImage_ = FuseImage{};
}

void SimulatedProgrammer::AnswerTaken(std::uint64_t number) {
  if (Strikes(SimulatedFaultKind::Replug, number + 1)) Reconnect();
}

SimulatedProgrammer::Outcome SimulatedProgrammer::TakeReport(const Report& report) {
  Outcome outcome;
  if (!present_) return outcome;
  outcome.Number = ++reportCount_;
  if (Strikes(SimulatedFaultKind::Vanish, reportCount_)) {
    present_ = false;
    return outcome;
  }
  outcome.Delivered = true;
  if (keepLog_) received_.push_back(report);
  // The firmware acts on every report it gets, answered or not: a stopped programmer that
  // still takes writes may burn or store what it is sent.
  outcome.Answer = RunFirmware(report);
  if (Strikes(SimulatedFaultKind::Stop, reportCount_)) stopped_ = true;
  outcome.Answers = !stopped_;
  for (const SimulatedFault& fault : faults_) {
    if (fault.Kind == SimulatedFaultKind::Late && fault.Report == reportCount_)
      outcome.Delay = std::max(outcome.Delay, fault.Delay);
  }
  return outcome;
}

Report SimulatedProgrammer::RunFirmware(const Report& report) {
  Report answer{};
  if (mode_ == Mode::Uploading) {
    // Inside an upload every report is image data, whatever its first byte says.
    std::copy(report.begin(), report.end(),
              incoming_.begin() + static_cast<std::ptrdiff_t>(nextBlock_) * kImageBlockSize);
    answer[0] = static_cast<std::uint8_t>(nextBlock_);
    if (++nextBlock_ == kImageBlockCount) {
      uploadedImage_ = incoming_;
      ++uploadCount_;
      mode_ = Mode::Idle;
    }
    return answer;
  }
  const std::uint8_t command = report[0];
  // An empty socket gives what the programmer reads from no chip at all: zeros.
  const bool socketEmpty = Strikes(SimulatedFaultKind::NoChip, 0);
  static const FuseImage kNoChip{};
  const FuseImage& chip = socketEmpty ? kNoChip : chipImage_;
  if (command == CMD_ACK && mode_ == Mode::Reading) {
    std::copy_n(chip.begin() + static_cast<std::ptrdiff_t>(nextBlock_) * kImageBlockSize,
                kImageBlockSize, answer.begin());
    if (++nextBlock_ == kImageBlockCount) mode_ = Mode::Idle;
    return answer;
  }
  mode_ = Mode::Idle;
  switch (command) {
    case CMD_UPLOAD:
      mode_ = Mode::Uploading;
      nextBlock_ = 0;
      answer[0] = CMD_UPLOAD;
      break;
    case CMD_PROGRAM:
      ++burnCount_;
      if (Strikes(SimulatedFaultKind::BurnFails, 0)) {
        answer[0] = kBurnFailedAnswer;
      } else if (socketEmpty) {
        answer[0] = kProgramSucceeded;
      } else {
        FuseImage burned = uploadedImage_;
        for (const SimulatedFault& fault : faults_) {
          if (fault.Kind != SimulatedFaultKind::Stuck) continue;
          // Fuse F is bit 0x80 >> (F % 8) of byte F / 8, as PackFuseImage lays it out.
          const std::size_t byte = fault.Report / 8;
          const auto bit = static_cast<std::uint8_t>(0x80u >> (fault.Report % 8));
          burned[byte] =
              static_cast<std::uint8_t>((burned[byte] & ~bit) | (chipImage_[byte] & bit));
        }
        chipImage_ = burned;
        answer[0] = kProgramSucceeded;
      }
      break;
    case CMD_READ:
      std::copy_n(chip.begin(), kImageBlockSize, answer.begin());
      mode_ = Mode::Reading;
      nextBlock_ = 1;
      break;
    case CMD_PES:
      // The host reverses the answer's first nine bytes, so the first character goes last.
      for (std::size_t i = 0; i < 9 && !socketEmpty; ++i)
        answer[8 - i] = static_cast<std::uint8_t>(pes_[i]);
      break;
    default:
      // An unknown command (or 'a' outside a read-back) still gets its one answer, all zero.
      break;
  }
  return answer;
}

SimulatedBackend::SimulatedBackend(SimulatedProgrammer& programmer) : programmer_(programmer) {}

void SimulatedBackend::SetOpenFailure(std::string reason, bool permissionDenied) {
  openFailure_ = std::move(reason);
  permissionDenied_ = !openFailure_.empty() && permissionDenied;
}

std::unique_ptr<Transport> SimulatedBackend::OpenProgrammer(DiscoveryStatus& status) {
  ++discoveryCount_;
  status = DiscoveryStatus{};
  if (absent_ || !programmer_.IsPresent()) {
    status.State = LinkState::NotFound;
    return nullptr;
  }
  status.Path = kPath;
  if (!openFailure_.empty()) {
    status.State = LinkState::OpenFailed;
    status.Reason = openFailure_;
    status.PermissionDenied = permissionDenied_;
    return nullptr;
  }
  ++openCount_;
  status.State = LinkState::Open;
  return std::make_unique<SimulatedTransport>(programmer_);
}

}  // namespace gantrel
