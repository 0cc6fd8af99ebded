// A simulated programmer with an ATF22LV10C in its socket: the device side of the report
// protocol, for trying the tool without hardware (`--simulate`) and for tests, with the
// discovery that finds it. It can be told to fail in a fixed, repeatable way (SimulatedFault).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuseMap.h"
#include "Report.h"
#include "Transport.h"

namespace gantrel {

enum class SimulatedFaultKind : std::uint8_t {
  None,
  Stop,       // "stop@N": from report N on, no answer comes (the writes still succeed)
  Late,       // "late@N[:MS]": the answer to report N comes only after Delay of waiting
  Vanish,     // "vanish@N": from report N on every transfer fails and discovery finds nothing
  BurnFails,  // "burn-fails": the answer to 'w' is not 0x61 and the chip keeps its fuses
  Replug,     // "replug@N": unplugged and plugged in again once the answer to report N-1 has
              // been taken (at once for N = 1); report N then meets a dead handle
  Stuck,      // "stuck@F": the chip's fuse F (0..5891) keeps its state through every burn,
              // while the answer to 'w' is still 0x61, as a worn cell would
  NoChip,     // "no-chip": the socket is empty: the signature and every fuse read as 0, and
              // the answer to 'w' is 0x61 although nothing was burned
};

// One fault. Report counts the output reports that reached the simulated programmer since it
// was made, 1-based, across exchanges and reconnects: the report a vanish fault strikes counts,
// a send on a dead handle (from before a reconnect, or after the device vanished) does not.
struct SimulatedFault {
  SimulatedFaultKind Kind = SimulatedFaultKind::None;
  std::uint64_t Report = 0;               // for Stuck, the fuse F
  std::chrono::milliseconds Delay{3000};  // Late only: beyond the 2 s bound, within the 20 s one
};

// Parses "stop@N", "vanish@N", "replug@N", "late@N", "late@N:MS", "burn-fails", "no-chip" or
// "stuck@F"
// (N >= 1, MS >= 0, 0 <= F <= 5891, decimal) into `fault`; false with an English message in `error`
// (and `fault` untouched) otherwise.
bool ParseSimulatedFault(std::string_view text, SimulatedFault& fault, std::string& error);

// Parses a comma-separated list of faults ("late@5,replug@14"), each item as
// ParseSimulatedFault reads it, into `faults`; false with an English message naming the empty
// or bad item in `error` (and `faults` untouched) otherwise.
// The fault language in English, for the help of the programs that take --simulate-fault: one
// line per fault, indented to stand under an option's description.
inline constexpr const char* kSimulatedFaultsHelp =
    "                            stop@N       no answer from output report N on\n"
    "                            vanish@N     every transfer fails from report N on\n"
    "                            replug@N     unplugged and plugged in again before report N\n"
    "                            late@N[:MS]  the answer to report N comes MS ms late\n"
    "                                         (3000 by default, beyond the 2 s bound)\n"
    "                            burn-fails   the chip fails to burn\n"
    "                            no-chip      the socket is empty: the signature and every\n"
    "                                         fuse read as 0, a burn is answered as done\n"
    "                            stuck@F      the chip's fuse F (0-5891) never changes, yet\n"
    "                                         the burn is answered as done\n"
    "                          Several faults go separated by commas, as in\n"
    "                          late@5:1500,replug@14. Reports count from 1 across\n"
    "                          the whole run; a report sent to an unplugged\n"
    "                          programmer is not counted.\n";

bool ParseSimulatedFaults(std::string_view text, std::vector<SimulatedFault>& faults,
                          std::string& error);

// The text ParseSimulatedFault reads back as `fault` ("late@5:3000"); "none" for no fault.
std::string FormatSimulatedFault(const SimulatedFault& fault);

class SimulatedProgrammer {
 public:
  // The byte the simulated programmer answers 'w' with when the burn fails.
  static constexpr std::uint8_t kBurnFailedAnswer = 0x46;  // 'F'

  // A present programmer holding a blank chip (all image bytes 0) with the signature
  // "1F22L10C3", nothing uploaded, no fault.
  SimulatedProgrammer();

  // The fuse image the chip holds, as the read-back sends it.
  const FuseImage& ChipImage() const { return chipImage_; }
  void SetChipImage(const FuseImage& image) { chipImage_ = image; }
  // Sets the chip's signature as the host shows it after its reversal; false (and nothing
  // changed) unless `pes` has exactly 9 bytes.
  bool SetPes(std::string_view pes);

  // The image of the last upload (all 0 before any), which the next 'w' burns.
  const FuseImage& UploadedImage() const { return uploadedImage_; }
  // How many complete uploads ('j' and 12 data reports) were received.
  int UploadCount() const { return uploadCount_; }
  // How many times 'w' was received (burns that failed included).
  int BurnCount() const { return burnCount_; }

  // Sets the faults in effect, all at once, replacing those before (an empty list clears
  // them). A replug fault whose report N-1 has already been answered strikes at once.
  void SetFaults(std::vector<SimulatedFault> faults);
  // Replaces the faults with `fault` alone (a default SimulatedFault clears them).
  void SetFault(const SimulatedFault& fault);

  // Every output report received, in order (a send that failed is not in it).
  const std::vector<Report>& Received() const { return received_; }
  // Turns the log of Received off (for benchmarks) or back on; on by default.
  void KeepLog(bool keep) { keepLog_ = keep; }
  // Output reports sent to it so far, failed ones included: the N of the faults.
  std::uint64_t ReportCount() const { return reportCount_; }
  // Total virtual time that receives spent waiting on it, in milliseconds.
  std::chrono::milliseconds WaitedTime() const { return waitedTime_; }

  // False once a vanish fault struck, until Reconnect().
  bool IsPresent() const { return present_; }
  // Unplugs and replugs it, a power cycle: present again, its firmware restarted idle, the
  // uploaded image gone (all 0), the chip's fuses kept, a stop or vanish fault that already
  // struck ended. Transports opened before stay dead.
  void Reconnect();
  // Changes at every Reconnect(); a transport remembers the one it was opened in.
  std::uint64_t Connection() const { return connection_; }

  // What one output report led to, for its transports.
  struct Outcome {
    bool Delivered = false;              // false: the device is gone and the send fails
    bool Answers = false;                // an input report follows
    Report Answer{};                     // the answer's 64 bytes
    std::chrono::milliseconds Delay{0};  // waiting needed before the answer can be taken
    std::uint64_t Number = 0;            // the report's number (ReportCount() after it)
  };
  // Takes one output report (its 64 bytes) and runs the firmware on it.
  Outcome TakeReport(const Report& report);
  // Tells it that the answer to report `number` has been taken off a handle (a replug fault
  // for report `number` + 1 strikes now).
  void AnswerTaken(std::uint64_t number);
  // Adds `waited` to WaitedTime().
  void AddWaitedTime(std::chrono::milliseconds waited) { waitedTime_ += waited; }

 private:
  enum class Mode : std::uint8_t { Idle, Uploading, Reading };
  Report RunFirmware(const Report& report);
  bool Strikes(SimulatedFaultKind kind, std::uint64_t report) const;

  FuseImage chipImage_{};
  FuseImage uploadedImage_{};
  FuseImage incoming_{};
  std::string pes_ = "1F22L10C3";
  int uploadCount_ = 0;
  int burnCount_ = 0;
  std::vector<SimulatedFault> faults_;
  std::vector<Report> received_;
  bool keepLog_ = true;
  std::uint64_t reportCount_ = 0;
  std::chrono::milliseconds waitedTime_{0};
  bool present_ = true;
  bool stopped_ = false;
  std::uint64_t connection_ = 1;
  Mode mode_ = Mode::Idle;
  int nextBlock_ = 0;
};

// Discovery over one SimulatedProgrammer: each open gives a new transport with its own empty
// queue of answers, as every hidraw handle has its own queue of input reports. A transport
// fails with DeviceGone once the programmer vanished or was reconnected.
class SimulatedBackend : public DeviceBackend {
 public:
  // The device path that discovery reports for the simulated programmer.
  static constexpr const char* kPath = "simulated";

  // A backend that finds `programmer`, which must outlive the backend and every transport it
  // opened.
  explicit SimulatedBackend(SimulatedProgrammer& programmer);

  // When absent, discovery finds nothing (as it does while the programmer has vanished).
  void SetAbsent(bool absent) { absent_ = absent; }
  // Makes every open fail with `reason` (found but not opened); an empty reason opens again.
  void SetOpenFailure(std::string reason, bool permissionDenied = false);
  // How many times discovery ran on this backend.
  int DiscoveryCount() const { return discoveryCount_; }
  // How many transports it opened.
  int OpenCount() const { return openCount_; }

  // Finds the simulated programmer unless it is absent or has vanished, and opens it unless
  // told to fail; never waits.
  std::unique_ptr<Transport> OpenProgrammer(DiscoveryStatus& status) override;

 private:
  SimulatedProgrammer& programmer_;
  bool absent_ = false;
  std::string openFailure_;
  bool permissionDenied_ = false;
  int discoveryCount_ = 0;
  int openCount_ = 0;
};

}  // namespace gantrel
