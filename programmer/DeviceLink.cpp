#include "DeviceLink.h"

#include <algorithm>
#include <utility>

namespace gantrel {

namespace {

constexpr int kUploadReports = 1 + kImageBlockCount;
// hidraw keeps at most 64 reports per handle; a device that keeps streaming must not hold the
// probe for ever, so it stops after this many.
constexpr int kMaxQueuedReports = 256;

int StepCountOf(ExchangeKind kind) {
  switch (kind) {
    case ExchangeKind::Upload:
      return kUploadReports;
    case ExchangeKind::Read:
      return kImageBlockCount;
    case ExchangeKind::Program:
    case ExchangeKind::Pes:
      return 1;
  }
  return 1;
}

// The bytes after the command carry nothing: all cleared, so that no byte of an earlier report
// travels again.
void SetCommand(Report& report, std::uint8_t command) {
  report.fill(0);
  report[0] = command;
}

// English name of a transfer error ("no answer").
const char* TransferErrorName(TransferError error) {
  switch (error) {
    case TransferError::None:
      return "no error";
    case TransferError::NotOpen:
      return "no programmer open";
    case TransferError::WriteFailed:
      return "write failed";
    case TransferError::NoAnswer:
      return "no answer";
    case TransferError::DeviceGone:
      return "device gone";
    case TransferError::ShortAnswer:
      return "short answer";
  }
  return "unknown error";
}

// "report 5 of 13 (block 4)", "block 7 of 12", "acknowledgement 3 of 11", ...
std::string StepName(const ExchangeResult& result) {
  const ExchangeStep step = StepOf(result.Kind, result.Sending, result.Step);
  const std::string answer = step.Answer ? "answer to " : "";
  const std::string number = std::to_string(step.Number);
  switch (step.What) {
    case ExchangeStep::Part::ReadBlock:
      return "block " + number + " of " + std::to_string(kImageBlockCount);
    case ExchangeStep::Part::Acknowledgement:
      return "acknowledgement " + number + " of " + std::to_string(kImageBlockCount - 1);
    case ExchangeStep::Part::UploadBlock:
    case ExchangeStep::Part::Command:
      break;
  }
  const bool command = step.What == ExchangeStep::Part::Command;
  switch (result.Kind) {
    case ExchangeKind::Upload:
      return answer + "report " + std::to_string(result.Step) + " of " +
             std::to_string(kUploadReports) +
             (command ? " (upload command)" : " (block " + number + ")");
    case ExchangeKind::Read:
      return "read command";
    case ExchangeKind::Program:
      return answer + (step.Answer ? "the " : "") + "program command";
    case ExchangeKind::Pes:
      return answer + (step.Answer ? "the " : "") + "PES command";
  }
  return "step " + std::to_string(result.Step);
}

}  // namespace

ExchangeStep StepOf(ExchangeKind kind, bool sending, int step) {
  using Part = ExchangeStep::Part;
  switch (kind) {
    case ExchangeKind::Upload:
      if (step == 1) return {Part::Command, !sending, 0};
      return {Part::UploadBlock, !sending, step - 1};
    case ExchangeKind::Read:
      if (!sending) return {Part::ReadBlock, false, step};
      if (step == 1) return {Part::Command, false, 0};
      return {Part::Acknowledgement, false, step - 1};
    case ExchangeKind::Program:
    case ExchangeKind::Pes:
      break;
  }
  return {Part::Command, !sending, 0};
}

std::string DescribeBound(std::chrono::milliseconds bound) {
  if (bound.count() % 1000 == 0) return std::to_string(bound.count() / 1000) + " s";
  return std::to_string(bound.count()) + " ms";
}

std::string DescribeDiscovery(const DiscoveryStatus& status) {
  switch (status.State) {
    case LinkState::NotSearched:
      return "no programmer searched for yet";
    case LinkState::NotFound:
      return "no programmer found";
    case LinkState::OpenFailed: {
      std::string text = "programmer found at " + status.Path + " but it could not be opened";
      if (!status.Reason.empty()) text += ": " + status.Reason;
      if (status.PermissionDenied)
        text += " (install the udev rule 60-gantrel.rules and reconnect the programmer)";
      return text;
    }
    case LinkState::Open:
      return "programmer open at " + status.Path;
    case LinkState::Closed:
      return "the programmer at " + status.Path + " was disconnected";
  }
  return "no programmer";
}

std::string DescribeExchangeFailure(const ExchangeResult& result) {
  switch (result.Error) {
    case ExchangeError::None:
      return {};
    case ExchangeError::NoProgrammer:
      return DescribeDiscovery(result.Discovery);
    case ExchangeError::OutOfStep:
      return "an earlier exchange with the programmer broke off: reconnect the programmer";
    case ExchangeError::NotUploaded:
      return "the programmer was connected after the upload and holds none of it";
    case ExchangeError::TransferFailed:
      break;
  }
  std::string text = StepName(result) + ": " + TransferErrorName(result.Transfer);
  if (result.Transfer == TransferError::NoAnswer) {
    text += " within " + DescribeBound(result.Bound);
  } else if (result.Transfer == TransferError::ShortAnswer) {
    text += " (" + std::to_string(result.AnswerBytes) + " of " + std::to_string(kReportSize) +
            " bytes)";
  }
  if (!result.Detail.empty()) text += ": " + result.Detail;
  return text;
}

std::string PesString(const PesBytes& pes) {
  std::string text;
  for (const std::uint8_t byte : pes) {
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  return text;
}

DeviceLink::DeviceLink(DeviceBackend& backend, LinkTimeouts timeouts, OutOfStepNotes* notes)
    : backend_(backend), timeouts_(timeouts), notes_(notes) {}

DeviceLink::~DeviceLink() = default;

const DiscoveryStatus& DeviceLink::OpenProgrammer() {
  // A held handle is asked first whether its device went away, the one sign that ends the
  // out-of-step state; dropping it unasked would keep that state for good.
  Probe();
  transport_.reset();
  status_ = DiscoveryStatus{};
  transport_ = backend_.OpenProgrammer(status_);
  // The backend's word on the state is trusted only where it agrees with what it returned.
  if (transport_) {
    status_.State = LinkState::Open;
    ++connections_;
    // The firmware may still be inside an exchange that an earlier run broke off.
    if (notes_ != nullptr && notes_->BrokenOffEarlier(status_.Plug)) outOfStep_ = earlier_ = true;
  } else if (status_.State == LinkState::Open || status_.State == LinkState::NotSearched ||
             status_.State == LinkState::Closed) {
    status_.State = LinkState::NotFound;
  }
  return status_;
}

bool DeviceLink::EnsureOpen() {
  Probe();
  if (!transport_) OpenProgrammer();
  return IsOpen();
}

bool DeviceLink::IsOpen() const {
  return transport_ != nullptr;
}

std::uint64_t DeviceLink::ConnectionNumber() const {
  return transport_ ? connections_ : 0;
}

bool DeviceLink::HoldsUpload() const {
  return transport_ != nullptr && uploadConnection_ == connections_;
}

const DiscoveryStatus& DeviceLink::Status() const {
  return status_;
}

void DeviceLink::Close() {
  if (!transport_) return;
  transport_.reset();
  status_.State = LinkState::Closed;
}

void DeviceLink::Probe() {
  if (!transport_) return;
  // Late answers to an earlier exchange are taken away here, into a scratch buffer, so that
  // none can pass for an answer of this one.
  Report queued{};
  std::uint32_t bytes = 0;
  for (int i = 0; i < kMaxQueuedReports; ++i) {
    const TransferStatus status = transport_->Receive(queued, std::chrono::milliseconds(0), bytes);
    if (status.Error == TransferError::NoAnswer) return;
    if (status.Error == TransferError::DeviceGone) {
      // The read handle reports an unplugged device at once, even with reports still queued:
      // whatever is plugged in later is a new connection whose firmware starts afresh.
      Close();
      outOfStep_ = earlier_ = false;
      if (notes_ != nullptr) notes_->Remove(status_.Plug);
      return;
    }
  }
}

bool DeviceLink::Fail(ExchangeResult& result, const TransferStatus& status, bool sending,
                      int step) {
  result.Error = ExchangeError::TransferFailed;
  result.Transfer = status.Error;
  result.Detail = status.Detail;
  result.Sending = sending;
  result.Step = step;
  // The firmware may still be inside this exchange, and a failed read does not tell whether
  // the device is gone: the handles stay open for the probe to find out.
  outOfStep_ = true;
  if (notes_ != nullptr) notes_->Leave(status_.Plug);
  return false;
}

bool DeviceLink::SendCommand(ExchangeResult& result, ExchangeKind kind, std::uint8_t command,
                             bool discover, const ProgressFn& progress) {
  result.Kind = kind;
  Probe();
  if (transport_ && outOfStep_) {
    result.Error = ExchangeError::OutOfStep;
    return false;
  }
  if (!transport_ && discover && OpenProgrammer().State == LinkState::Open) Probe();
  if (!transport_) {
    result.Error = ExchangeError::NoProgrammer;
    result.Transfer = TransferError::NotOpen;
    result.Discovery = status_;
    return false;
  }
  if (outOfStep_) {
    // Opened again without the old handles seeing the device go: the same firmware, maybe.
    result.Error = ExchangeError::OutOfStep;
    return false;
  }
  if (kind == ExchangeKind::Program && !HoldsUpload()) {
    result.Error = ExchangeError::NotUploaded;
    return false;
  }
  // An upload that does not end leaves the programmer holding part of an image.
  if (kind == ExchangeKind::Upload) uploadConnection_ = 0;
  result.StepCount = StepCountOf(kind);
  bytesWritten_ = 0;
  bytesRead_ = 0;
  SetCommand(outReport_, command);
  return SendStep(result, 1, progress);
}

bool DeviceLink::SendStep(ExchangeResult& result, int step, const ProgressFn& progress) {
  if (progress) progress(ExchangeProgress{result.Kind, true, step, result.StepCount});
  TransferStatus status = transport_->Send(outReport_, bytesWritten_);
  if (status.Ok()) return true;
  if (status.Error == TransferError::NoAnswer) status.Error = TransferError::WriteFailed;
  return Fail(result, status, true, step);
}

bool DeviceLink::ReceiveStep(ExchangeResult& result, int step, std::chrono::milliseconds bound,
                             const ProgressFn& progress) {
  const std::chrono::milliseconds zero{0};
  bound = std::max(bound, zero);
  // A slice of zero would never use up the bound; then the whole bound is one wait.
  const std::chrono::milliseconds slice = timeouts_.Slice > zero ? timeouts_.Slice : bound;
  const ExchangeProgress where{result.Kind, false, step, result.StepCount};
  std::chrono::milliseconds waited{0};
  TransferStatus status;
  for (;;) {
    if (progress) progress(where);
    const std::chrono::milliseconds wait = std::min(slice, bound - waited);
    status = transport_->Receive(inReport_, wait, bytesRead_);
    if (status.Error != TransferError::NoAnswer) break;
    // The transport waited the whole slice, so it counts as spent whether or not real time
    // passed (the simulated programmer spends it without sleeping).
    waited += wait;
    if (waited >= bound) break;
  }
  if (status.Ok()) return true;
  if (status.Error == TransferError::NoAnswer) result.Bound = bound;
  if (status.Error == TransferError::ShortAnswer) result.AnswerBytes = static_cast<int>(bytesRead_);
  return Fail(result, status, false, step);
}

ExchangeResult DeviceLink::UploadFuseImage(const FuseImage& image, const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Upload, CMD_UPLOAD, true, progress)) return result;
  if (!ReceiveStep(result, 1, timeouts_.Answer, progress)) return result;
  for (int block = 0; block < kImageBlockCount; ++block) {
    const auto first = image.begin() + static_cast<std::ptrdiff_t>(block) * kImageBlockSize;
    std::copy(first, first + kImageBlockSize, outReport_.begin());
    if (!SendStep(result, block + 2, progress)) return result;
    if (!ReceiveStep(result, block + 2, timeouts_.Answer, progress)) return result;
  }
  uploadConnection_ = connections_;
  return result;
}

ExchangeResult DeviceLink::ProgramChip(const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Program, CMD_PROGRAM, false, progress)) return result;
  if (!ReceiveStep(result, 1, timeouts_.Program, progress)) return result;
  result.Answer = inReport_[0];
  result.Burned = result.Answer == kProgramSucceeded;
  return result;
}

ExchangeResult DeviceLink::ReadFuseImage(FuseImage& image, const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Read, CMD_READ, true, progress)) return result;
  // The caller's image changes only once all 12 blocks are in: a read that breaks off must
  // not leave half a chip behind as if it were the chip's.
  FuseImage scratch{};
  for (int block = 0; block < kImageBlockCount; ++block) {
    if (!ReceiveStep(result, block + 1, timeouts_.Answer, progress)) return result;
    std::copy(inReport_.begin(), inReport_.end(),
              scratch.begin() + static_cast<std::ptrdiff_t>(block) * kImageBlockSize);
    if (block + 1 < kImageBlockCount) {
      SetCommand(outReport_, CMD_ACK);
      if (!SendStep(result, block + 2, progress)) return result;
    }
  }
  image = scratch;
  return result;
}

ExchangeResult DeviceLink::ReadPes(PesBytes& pes, const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Pes, CMD_PES, true, progress)) return result;
  if (!ReceiveStep(result, 1, timeouts_.Answer, progress)) return result;
  // Bytes 9 down to 1 after the report ID: elements 8 down to 0.
  for (std::size_t i = 0; i < 9; ++i) pes[i] = inReport_[8 - i];
  pes[9] = 0;
  return result;
}

}  // namespace gantrel
