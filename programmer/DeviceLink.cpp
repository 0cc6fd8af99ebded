#include "DeviceLink.h"

#include <algorithm>
#include <utility>

namespace gantrel {

namespace {

constexpr int kUploadReports = 1 + kImageBlockCount;
// hidraw keeps at most 64 reports per handle; a device that keeps streaming must not hold an
// exchange in its drain for ever, so taking stale input stops after this many.
constexpr int kMaxStaleReports = 256;

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

// Byte 0 is the report ID and bytes 2..64 carry nothing: all cleared, so that no byte of an
// earlier report travels again.
void SetCommand(ReportBuffers& buffers, std::uint8_t command) {
  buffers.OutReport.fill(0);
  buffers.OutReport[1] = command;
}

void StartCounters(ReportBuffers& buffers) {
  buffers.BytesWritten = 0;
  buffers.BytesRead = 0;
  buffers.InReport[0] = 0;
}

// "report 5 of 13 (block 4)", "block 7 of 12", "acknowledgement 3 of 11", ...
std::string StepName(const ExchangeResult& result) {
  if (result.Step == 0) return "before the first report (taking old input reports)";
  const std::string step = std::to_string(result.Step);
  switch (result.Kind) {
    case ExchangeKind::Upload: {
      std::string name = result.Sending ? "report " : "answer to report ";
      name += step + " of " + std::to_string(result.StepCount);
      if (result.Step == 1) return name + " (upload command)";
      return name + " (block " + std::to_string(result.Step - 1) + ")";
    }
    case ExchangeKind::Read:
      if (!result.Sending) return "block " + step + " of " + std::to_string(result.StepCount);
      if (result.Step == 1) return "read command";
      return "acknowledgement " + std::to_string(result.Step - 1) + " of " +
             std::to_string(result.StepCount - 1);
    case ExchangeKind::Program:
      return result.Sending ? "program command" : "answer to the program command";
    case ExchangeKind::Pes:
      return result.Sending ? "PES command" : "answer to the PES command";
  }
  return "step " + step;
}

}  // namespace

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
    case LinkState::Closed: {
      std::string text = "the link to the programmer at " + status.Path + " was closed";
      if (!status.Reason.empty()) text += " after a failed transfer (" + status.Reason + ")";
      return text + ": reconnect the programmer";
    }
  }
  return "no programmer";
}

std::string DescribeExchangeFailure(const ExchangeResult& result) {
  switch (result.Error) {
    case ExchangeError::None:
      return {};
    case ExchangeError::NoProgrammer:
      return DescribeDiscovery(result.Discovery);
    case ExchangeError::TransferFailed:
      break;
  }
  std::string text = StepName(result) + ": ";
  if (result.Transfer == TransferError::NoAnswer) {
    text += "no answer within " + DescribeBound(result.Bound);
  } else {
    text += TransferErrorName(result.Transfer);
  }
  if (!result.Detail.empty()) text += ": " + result.Detail;
  return text;
}

DeviceLink::DeviceLink(DeviceBackend& backend, LinkTimeouts timeouts)
    : backend_(backend), timeouts_(timeouts) {}

DeviceLink::~DeviceLink() = default;

const DiscoveryStatus& DeviceLink::OpenProgrammer() {
  transport_.reset();
  status_ = DiscoveryStatus{};
  transport_ = backend_.OpenProgrammer(status_);
  // The backend's word on the state is trusted only where it agrees with what it returned.
  if (transport_) {
    status_.State = LinkState::Open;
  } else if (status_.State == LinkState::Open || status_.State == LinkState::NotSearched ||
             status_.State == LinkState::Closed) {
    status_.State = LinkState::NotFound;
  }
  return status_;
}

bool DeviceLink::EnsureOpen() {
  if (!transport_) OpenProgrammer();
  return IsOpen();
}

bool DeviceLink::IsOpen() const {
  return transport_ != nullptr;
}

const DiscoveryStatus& DeviceLink::Status() const {
  return status_;
}

void DeviceLink::Close() {
  if (!transport_) return;
  transport_.reset();
  status_.State = LinkState::Closed;
  status_.Reason.clear();
}

void DeviceLink::CloseAfterFailure(const ExchangeResult& result) {
  transport_.reset();
  status_.State = LinkState::Closed;
  status_.Reason = DescribeExchangeFailure(result);
}

bool DeviceLink::Begin(ExchangeResult& result) {
  result.StepCount = StepCountOf(result.Kind);
  // A handle whose device was unplugged and plugged in again fails while the old input is
  // taken; nothing has been sent yet, so one fresh discovery is safe before giving up. Not
  // before a burn: a programmer that was replugged has not received the image of the last
  // upload, and 'w' would burn whatever it holds.
  const int attempts = result.Kind == ExchangeKind::Program ? 1 : 2;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (!EnsureOpen()) {
      result.Error = ExchangeError::NoProgrammer;
      result.Transfer = TransferError::NotOpen;
      result.StepCount = 0;
      result.Discovery = status_;
      return false;
    }
    const TransferStatus drained = TakeStaleInput();
    if (drained.Ok()) {
      // A failure of the first attempt is history once the fresh handle works.
      const ExchangeKind kind = result.Kind;
      const int stepCount = result.StepCount;
      result = ExchangeResult{};
      result.Kind = kind;
      result.StepCount = stepCount;
      return true;
    }
    result.Error = ExchangeError::TransferFailed;
    result.Transfer = drained.Error;
    result.Detail = drained.Detail;
    result.Sending = false;
    result.Step = 0;
    CloseAfterFailure(result);
  }
  return false;
}

TransferStatus DeviceLink::TakeStaleInput() {
  // An answer that came too late for an earlier exchange may still sit in the read handle's
  // queue; taken now, it cannot pass for an answer of this one. A scratch buffer keeps it out
  // of the caller's buffers.
  Report stale{};
  std::uint32_t staleBytes = 0;
  for (int i = 0; i < kMaxStaleReports; ++i) {
    const TransferStatus status =
        transport_->Receive(stale, std::chrono::milliseconds(0), staleBytes);
    if (status.Error == TransferError::NoAnswer) break;
    if (!status.Ok()) return status;
  }
  return {};
}

bool DeviceLink::SendStep(ExchangeResult& result, ReportBuffers& buffers, int step,
                          const ProgressFn& progress) {
  if (progress) progress(ExchangeProgress{result.Kind, true, step, result.StepCount});
  buffers.OutReport[0] = 0;
  const TransferStatus status = transport_->Send(buffers.OutReport, buffers.BytesWritten);
  if (status.Ok()) return true;
  result.Error = ExchangeError::TransferFailed;
  result.Transfer =
      status.Error == TransferError::NoAnswer ? TransferError::WriteFailed : status.Error;
  result.Detail = status.Detail;
  result.Sending = true;
  result.Step = step;
  CloseAfterFailure(result);
  return false;
}

bool DeviceLink::ReceiveStep(ExchangeResult& result, ReportBuffers& buffers, int step,
                             std::chrono::milliseconds bound, const ProgressFn& progress) {
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
    status = transport_->Receive(buffers.InReport, wait, buffers.BytesRead);
    if (status.Error != TransferError::NoAnswer) break;
    // The transport waited the whole slice, so it counts as spent whether or not real time
    // passed (the simulated programmer spends it without sleeping).
    waited += wait;
    if (waited >= bound) break;
  }
  if (status.Ok()) return true;
  result.Error = ExchangeError::TransferFailed;
  result.Transfer = status.Error;
  result.Detail = status.Detail;
  result.Sending = false;
  result.Step = step;
  if (status.Error == TransferError::NoAnswer) result.Bound = bound;
  CloseAfterFailure(result);
  return false;
}

bool DeviceLink::SendCommand(ExchangeResult& result, ExchangeKind kind, ReportBuffers& buffers,
                             std::uint8_t command, const ProgressFn& progress) {
  result.Kind = kind;
  if (!Begin(result)) return false;
  StartCounters(buffers);
  SetCommand(buffers, command);
  return SendStep(result, buffers, 1, progress);
}

ExchangeResult DeviceLink::UploadFuseImage(ReportBuffers& buffers, const FuseImage& image,
                                           const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Upload, buffers, CMD_UPLOAD, progress)) return result;
  if (!ReceiveStep(result, buffers, 1, timeouts_.Answer, progress)) return result;
  for (int block = 0; block < kImageBlockCount; ++block) {
    const auto first = image.begin() + static_cast<std::ptrdiff_t>(block) * kImageBlockSize;
    buffers.OutReport[0] = 0;
    std::copy(first, first + kImageBlockSize, buffers.OutReport.begin() + 1);
    if (!SendStep(result, buffers, block + 2, progress)) return result;
    if (!ReceiveStep(result, buffers, block + 2, timeouts_.Answer, progress)) return result;
  }
  return result;
}

ExchangeResult DeviceLink::ProgramChip(ReportBuffers& buffers, const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Program, buffers, CMD_PROGRAM, progress)) return result;
  if (!ReceiveStep(result, buffers, 1, timeouts_.Program, progress)) return result;
  result.Burned = buffers.InReport[1] == kProgramSucceeded;
  return result;
}

ExchangeResult DeviceLink::ReadFuseImage(ReportBuffers& buffers, FuseImage& image,
                                         const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Read, buffers, CMD_READ, progress)) return result;
  // The caller's image changes only once all 12 blocks are in: a read that breaks off must
  // not leave half a chip behind as if it were the chip's.
  FuseImage scratch{};
  for (int block = 0; block < kImageBlockCount; ++block) {
    if (!ReceiveStep(result, buffers, block + 1, timeouts_.Answer, progress)) return result;
    std::copy(buffers.InReport.begin() + 1, buffers.InReport.end(),
              scratch.begin() + static_cast<std::ptrdiff_t>(block) * kImageBlockSize);
    if (block + 1 < kImageBlockCount) {
      SetCommand(buffers, CMD_ACK);
      if (!SendStep(result, buffers, block + 2, progress)) return result;
    }
  }
  image = scratch;
  return result;
}

ExchangeResult DeviceLink::ReadPes(ReportBuffers& buffers, PesBytes& pes,
                                   const ProgressFn& progress) {
  ExchangeResult result;
  if (!SendCommand(result, ExchangeKind::Pes, buffers, CMD_PES, progress)) return result;
  if (!ReceiveStep(result, buffers, 1, timeouts_.Answer, progress)) return result;
  for (std::size_t i = 0; i < 9; ++i) pes[i] = buffers.InReport[9 - i];
  pes[9] = 0;
  return result;
}

}  // namespace gantrel
