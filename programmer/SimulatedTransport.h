// One open handle on a SimulatedProgrammer, with its own queue of answers.
#pragma once

#include <cstdint>
#include <deque>

#include "SimulatedProgrammer.h"
#include "Transport.h"

namespace gantrel {

class SimulatedTransport : public Transport {
 public:
  // A handle on `programmer` as it is connected now; it fails with DeviceGone once the
  // programmer vanished or was reconnected. `programmer` must outlive it.
  explicit SimulatedTransport(SimulatedProgrammer& programmer);

  // Hands `report` to the simulated firmware and queues its answer; DeviceGone when the
  // programmer is gone (nothing moved).
  TransferStatus Send(const Report& report, std::uint32_t& bytesWritten) override;
  // Takes the next queued answer once its delay has been waited out; returns at once but
  // counts the whole `wait` as spent (in the programmer's WaitedTime) when none is ready.
  TransferStatus Receive(Report& report, std::chrono::milliseconds wait,
                         std::uint32_t& bytesRead) override;

 private:
  struct Pending {
    Report Bytes;
    std::chrono::milliseconds Delay;
    std::uint64_t Number;
  };
  bool Alive() const;

  SimulatedProgrammer& programmer_;
  std::uint64_t connection_;
  std::deque<Pending> queue_;
};

}  // namespace gantrel
