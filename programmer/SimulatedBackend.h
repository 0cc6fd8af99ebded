// Discovery over one SimulatedProgrammer: each open gives a new transport with its own empty
// queue of answers, as every hidraw handle has its own queue of input reports.
#pragma once

#include <memory>
#include <string>

#include "DeviceBackend.h"
#include "SimulatedProgrammer.h"

namespace gantrel {

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
