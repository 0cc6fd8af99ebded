// DeviceLink: the open programmer (if any) and the four exchanges spoken to it, with bounded
// waits, failures that are told, the count of connections, and the rule that a programmer
// whose exchange broke off is not spoken to again until it has been reconnected, in this run
// or, through OutOfStepNotes, in a later one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "FuseMap.h"
#include "OutOfStepNotes.h"
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
// the transfers as Step and StepCount of ExchangeResult do (see ExchangeStep).
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
  NoProgrammer,    // none open, and discovery found none (see DeviceLink::Status)
  OutOfStep,       // an earlier exchange broke off and the programmer was not reconnected since
  TransferFailed,  // a transfer failed; the programmer is out of step now
  NotUploaded,     // ProgramChip: the open connection never took a whole upload
};

// The outcome of one exchange. Step and StepCount say which transfer failed (1-based), as
// ExchangeStep reads them. For NoProgrammer and OutOfStep, Step and StepCount are 0.
struct ExchangeResult {
  ExchangeKind Kind = ExchangeKind::Upload;
  ExchangeError Error = ExchangeError::None;
  TransferError Transfer = TransferError::None;  // what failed, for TransferFailed
  bool Sending = false;                          // the failed transfer was a send (else a receive)
  int Step = 0;  // which report of how many failed (1-based), as in ExchangeProgress
  int StepCount = 0;
  std::chrono::milliseconds Bound{0};  // the wait that ran out, for NoAnswer
  int AnswerBytes = 0;                 // how many of the 64 bytes came, for ShortAnswer
  std::string Detail;                  // the system's own words, if any
  bool Burned = false;                 // ProgramChip only: the answer's first byte was 0x61
  std::uint8_t Answer = 0;             // ProgramChip only: the first byte of the answer
  DiscoveryStatus Discovery;  // NoProgrammer only: why none is open (none found, not opened)

  bool Ok() const { return Error == ExchangeError::None; }
};

// What transfer Step of an exchange carries, for the texts that name it in either language.
// Blocks are counted from 1 here: block k holds image bytes 64(k-1)..64(k-1)+63.
// - Upload: 13 reports; report 1 is 'j' (Command), report k+1 carries block k (UploadBlock,
//   Number k = 1..12). The receive of step n is the answer to report n (Answer).
// - Program and Pes: report 1 is the command; receive 1 its answer.
// - Read: send 1 is 'r' (Command); receive k is block k of 12 (ReadBlock, Number k = 1..12);
//   send k+1 is the 'a' after block k (Acknowledgement, Number k = 1..11).
struct ExchangeStep {
  enum class Part : std::uint8_t { Command, UploadBlock, ReadBlock, Acknowledgement };
  Part What = Part::Command;
  bool Answer = false;  // the answer to the report named (a read's blocks are answers already)
  int Number = 0;       // the block or acknowledgement, as above
};
ExchangeStep StepOf(ExchangeKind kind, bool sending, int step);

// The failure in English, naming the step: "block 7 of 12: no answer within 2 s", or for
// NoProgrammer what DescribeDiscovery says; "" for a result that is Ok().
std::string DescribeExchangeFailure(const ExchangeResult& result);

// Why the link holds no programmer, in English: "no programmer found", "programmer found at
// /dev/hidraw3 but it could not be opened: Permission denied (install the udev rule ...)", or
// for an open link "programmer open at /dev/hidraw3".
std::string DescribeDiscovery(const DiscoveryStatus& status);

// The bound in English: "2 s" for whole seconds, else "1500 ms".
std::string DescribeBound(std::chrono::milliseconds bound);

// The signature as text: the characters of `pes` up to its first zero byte.
std::string PesString(const PesBytes& pes);

class DeviceLink {
 public:
  // With `notes`, which must outlive the link, a programmer whose exchange breaks off is
  // remembered for later runs, and one that an earlier run left so is out of step when found.
  explicit DeviceLink(DeviceBackend& backend, LinkTimeouts timeouts = {},
                      OutOfStepNotes* notes = nullptr);
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Closes any open programmer and runs discovery now; a programmer opened is a new connection.
  // Whether the programmer is out of step is left as it was, unless a note says that an
  // earlier run broke off an exchange with this very plug-in: then it is out of step.
  const DiscoveryStatus& OpenProgrammer();
  // Probes the open programmer (a device gone is closed) and runs discovery when none is open
  // then; true when one is open afterwards, out of step or not.
  bool EnsureOpen();
  bool IsOpen() const;
  // An exchange over the open programmer broke off, and no probe has seen the device go away
  // since: it is sent nothing until then.
  bool OutOfStep() const { return outOfStep_; }
  // Out of step because an earlier run's note matched the programmer found.
  bool BrokenOffEarlier() const { return outOfStep_ && earlier_; }
  // The number of the open connection: counted up from 1 each time the link opens the
  // programmer; 0 while none is open.
  std::uint64_t ConnectionNumber() const;
  // True when a whole upload went over the open connection: only then does the programmer hold
  // an image that a burn may burn. A programmer opened since (plugged in again, or found after
  // the upload) holds whatever it holds.
  bool HoldsUpload() const;
  // Why the link holds no programmer (or Open when it holds one).
  const DiscoveryStatus& Status() const;
  // Closes both handles; the next exchange other than a burn runs discovery again.
  void Close();

  // Every exchange first probes the open programmer: it takes away the input reports queued on
  // the read handle, without waiting, until none is left or the read fails; a failed read means
  // the device is gone, and the link closes both handles and is no longer out of step. Then:
  // out of step, the exchange fails with OutOfStep; none open, discovery runs (not for
  // ProgramChip, which fails with NoProgrammer instead, since a programmer opened now has not
  // received the upload, and with NotUploaded when the open one took none). Then it runs its fixed
  // sequence over the link's own report buffers and stops at the first failed transfer: it sends
  // nothing more, keeps both handles open, and marks the programmer out of step.

  // 'j' and the 12 blocks of `image`, one answer after each (13 out, 13 in).
  ExchangeResult UploadFuseImage(const FuseImage& image, const ProgressFn& progress = {});
  // 'w', one answer; Burned exactly when its first byte is 0x61. A different byte is a failed
  // burn, not a failed transfer: the result is Ok() with Burned false and the byte in Answer.
  ExchangeResult ProgramChip(const ProgressFn& progress = {});
  // 'r', then 12 blocks with an 'a' after each of the first 11. `image` is written only when
  // all 12 blocks arrived.
  ExchangeResult ReadFuseImage(FuseImage& image, const ProgressFn& progress = {});
  // 'p', one answer; `pes` gets the answer's bytes 9 down to 1 (counted after the report ID),
  // then a zero byte, only when the answer arrived.
  ExchangeResult ReadPes(PesBytes& pes, const ProgressFn& progress = {});

 private:
  // Takes queued input off the read handle; closes the link when the device is gone.
  void Probe();
  // The start every exchange shares: probe, out-of-step check, discovery if `discover`, the
  // counters reset, and `command` sent as step 1. False when the exchange must end with
  // `result` as it stands.
  bool SendCommand(ExchangeResult& result, ExchangeKind kind, std::uint8_t command, bool discover,
                   const ProgressFn& progress);
  // Sends the output report as step `step`; on failure fills `result`.
  bool SendStep(ExchangeResult& result, int step, const ProgressFn& progress);
  // Receives the input report within `bound`, in slices; on failure fills `result`.
  bool ReceiveStep(ExchangeResult& result, int step, std::chrono::milliseconds bound,
                   const ProgressFn& progress);
  // Fills `result` for a failed transfer and marks the programmer out of step.
  bool Fail(ExchangeResult& result, const TransferStatus& status, bool sending, int step);

  DeviceBackend& backend_;
  LinkTimeouts timeouts_;
  DiscoveryStatus status_;
  std::unique_ptr<Transport> transport_;
  std::uint64_t connections_ = 0;
  bool outOfStep_ = false;
  std::uint64_t uploadConnection_ = 0;  // the connection the last whole upload went over
  // The report buffers that every exchange shares, and the byte counts of the last transfers.
  Report outReport_{};
  Report inReport_{};
  std::uint32_t bytesWritten_ = 0;
  std::uint32_t bytesRead_ = 0;
  bool earlier_ = false;
  OutOfStepNotes* notes_;
};

}  // namespace gantrel
