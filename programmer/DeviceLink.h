// DeviceLink: the open programmer (if any) and the four exchanges spoken to it, with bounded
// waits and failures that are told.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "DeviceBackend.h"
#include "FuseMap.h"
#include "Report.h"
#include "Transport.h"

namespace gantrel {

// How long each receive may wait, and the slice in which waits are cut so that the window can
// keep painting between them. Injectable so that tests need not wait real seconds.
struct LinkTimeouts {
  std::chrono::milliseconds Answer{2000};    // answers of the upload, the read-back, the PES query
  std::chrono::milliseconds Program{20000};  // the answer to CMD_PROGRAM: burning takes time
  std::chrono::milliseconds Slice{50};       // longest single wait between progress calls
};

enum class ExchangeKind : std::uint8_t { Upload, Program, Read, Pes };

// Where an exchange stands, for a progress display: sending or receiving report Index of Count
// (1-based; an upload sends and receives 13, a read receives 12 blocks). Index and Count number
// the transfers as Step and StepCount of ExchangeResult do (see there).
struct ExchangeProgress {
  ExchangeKind Kind = ExchangeKind::Upload;
  bool Sending = true;
  int Index = 1;
  int Count = 1;
};
// Called before each transfer and between the slices of a wait.
using ProgressFn = std::function<void(const ExchangeProgress&)>;

enum class ExchangeError : std::uint8_t {
  None,
  NoProgrammer,    // none open, and discovery found none again (see DeviceLink::Status)
  TransferFailed,  // a transfer failed; the link is now closed
};

// The outcome of one exchange. Step and StepCount say which transfer failed (1-based):
// - Upload: StepCount 13. Send step n is report n of 13: report 1 is 'j', report k+2 carries
//   block k (k = 0..11). Receive step n is the answer to report n.
// - Program: StepCount 1. Send step 1 is 'w'; receive step 1 its answer.
// - Read: StepCount 12. Receive step k is block k of 12 (block k-1 counted from 0, image bytes
//   64(k-1)..64(k-1)+63). Send step 1 is 'r'; send step k+1 is the 'a' after block k
//   (acknowledgement k of 11, k = 1..11).
// - Pes: StepCount 1. Send step 1 is 'p'; receive step 1 its answer.
// Step 0 (receive) means the exchange failed before its first report, while taking input
// reports still queued from earlier (after one fresh discovery, since a replugged programmer
// leaves a dead handle behind; not for a burn, whose image a replugged programmer lacks). For
// NoProgrammer, Step and StepCount are 0.
struct ExchangeResult {
  ExchangeKind Kind = ExchangeKind::Upload;
  ExchangeError Error = ExchangeError::None;
  TransferError Transfer = TransferError::None;  // what failed, for TransferFailed
  bool Sending = false;                          // the failed transfer was a send (else a receive)
  int Step = 0;  // which report of how many failed (1-based), as in ExchangeProgress
  int StepCount = 0;
  std::chrono::milliseconds Bound{0};  // the wait that ran out, for NoAnswer
  std::string Detail;                  // the system's own words, if any
  bool Burned = false;                 // ProgramChip only: the answer's byte 1 was 0x61
  DiscoveryStatus Discovery;  // NoProgrammer only: why none is open (none found, not opened)

  bool Ok() const { return Error == ExchangeError::None; }
};

// The failure in English, naming the step: "block 7 of 12: no answer within 2 s", or for
// NoProgrammer what DescribeDiscovery says; "" for a result that is Ok().
std::string DescribeExchangeFailure(const ExchangeResult& result);

// Why the link holds no programmer, in English: "no programmer found", "programmer found at
// /dev/hidraw3 but it could not be opened: Permission denied (install the udev rule ...)", or
// for an open link "programmer open at /dev/hidraw3".
std::string DescribeDiscovery(const DiscoveryStatus& status);

// The bound in English: "2 s" for whole seconds, else "1500 ms".
std::string DescribeBound(std::chrono::milliseconds bound);

class DeviceLink {
 public:
  explicit DeviceLink(DeviceBackend& backend, LinkTimeouts timeouts = {});
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Runs discovery now (closing any open programmer first) and returns what it found.
  const DiscoveryStatus& OpenProgrammer();
  // Runs discovery again when no programmer is open; true when one is open afterwards.
  bool EnsureOpen();
  bool IsOpen() const;
  // Why the link holds no programmer (or Open when it holds one).
  const DiscoveryStatus& Status() const;
  // Closes both handles; the next exchange runs discovery again.
  void Close();

  // Each exchange first makes sure a programmer is open (NoProgrammer at once, touching no
  // buffer, when none is), drains input reports still queued, then runs its fixed sequence.
  // It stops at the first failed transfer, sends nothing more, closes the link and returns
  // TransferFailed naming the step.

  // 'j' and the 12 blocks of `image`, one answer after each (13 out, 13 in).
  ExchangeResult UploadFuseImage(ReportBuffers& buffers, const FuseImage& image,
                                 const ProgressFn& progress = {});
  // 'w', one answer; Burned exactly when its byte 1 is 0x61. A different byte is a failed
  // burn, not a failed transfer: the result is Ok() with Burned false and the link stays open.
  ExchangeResult ProgramChip(ReportBuffers& buffers, const ProgressFn& progress = {});
  // 'r', then 12 blocks with an 'a' after each of the first 11. `image` is written only when
  // all 12 blocks arrived.
  ExchangeResult ReadFuseImage(ReportBuffers& buffers, FuseImage& image,
                               const ProgressFn& progress = {});
  // 'p', one answer; `pes` gets answer bytes 9 down to 1, then a zero byte, only when the
  // answer arrived.
  ExchangeResult ReadPes(ReportBuffers& buffers, PesBytes& pes, const ProgressFn& progress = {});

  // The bounds and the slice this link waits with.
  const LinkTimeouts& Timeouts() const { return timeouts_; }

 private:
  // The start of every exchange: a programmer open (else NoProgrammer in `result`), stale input
  // taken away. False when the exchange must end with `result` as it stands.
  bool Begin(ExchangeResult& result);
  // Takes input reports already queued, without waiting; the failure of a receive, if any.
  TransferStatus TakeStaleInput();
  // The start every exchange shares: the result made one of `kind`, a programmer open and
  // drained (Begin), the counters reset, and `command` sent as step 1. False when the exchange
  // must end with `result` as it stands.
  bool SendCommand(ExchangeResult& result, ExchangeKind kind, ReportBuffers& buffers,
                   std::uint8_t command, const ProgressFn& progress);
  // Sends `buffers.OutReport` as step `step`; on failure fills `result` and closes the link.
  bool SendStep(ExchangeResult& result, ReportBuffers& buffers, int step,
                const ProgressFn& progress);
  // Receives into `buffers.InReport` within `bound`, in slices; on failure fills `result` and
  // closes the link.
  bool ReceiveStep(ExchangeResult& result, ReportBuffers& buffers, int step,
                   std::chrono::milliseconds bound, const ProgressFn& progress);
  // Closes the link after a failed transfer, remembering it in Status().
  void CloseAfterFailure(const ExchangeResult& result);

  DeviceBackend& backend_;
  LinkTimeouts timeouts_;
  DiscoveryStatus status_;
  std::unique_ptr<Transport> transport_;
};

}  // namespace gantrel
