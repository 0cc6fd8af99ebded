#include "WindowSession.h"

#include <thread>

#include "HidapiProgrammer.h"
#include "SimulatedProgrammer.h"

namespace {

// A handle on the simulated programmer whose receives last as long as they say they waited,
// so that the progress box shows and a late answer keeps the user waiting as a real one would.
class RealTimeTransport : public gantrel::Transport {
 public:
  RealTimeTransport(std::unique_ptr<gantrel::Transport> inner,
                    const gantrel::SimulatedProgrammer& programmer)
      : inner_(std::move(inner)), programmer_(programmer) {}

  gantrel::TransferStatus Send(const gantrel::Report& report,
                               std::uint32_t& bytesWritten) override {
    return inner_->Send(report, bytesWritten);
  }
  gantrel::TransferStatus Receive(gantrel::Report& report, std::chrono::milliseconds wait,
                                  std::uint32_t& bytesRead) override {
    const std::chrono::milliseconds before = programmer_.WaitedTime();
    const gantrel::TransferStatus status = inner_->Receive(report, wait, bytesRead);
    std::this_thread::sleep_for(programmer_.WaitedTime() - before);
    return status;
  }

 private:
  std::unique_ptr<gantrel::Transport> inner_;
  const gantrel::SimulatedProgrammer& programmer_;
};

class RealTimeBackend : public gantrel::DeviceBackend {
 public:
  explicit RealTimeBackend(gantrel::SimulatedProgrammer& programmer)
      : programmer_(programmer), inner_(programmer) {}

  std::unique_ptr<gantrel::Transport> OpenProgrammer(gantrel::DiscoveryStatus& status) override {
    std::unique_ptr<gantrel::Transport> transport = inner_.OpenProgrammer(status);
    if (!transport) return nullptr;
    return std::make_unique<RealTimeTransport>(std::move(transport), programmer_);
  }

 private:
  gantrel::SimulatedProgrammer& programmer_;
  gantrel::SimulatedBackend inner_;
};

}  // namespace

WindowSession::WindowSession(const WindowOptions& options, gantrel::Dialogs& dialogs)
    : file_(options.File) {
  if (options.Simulated) {
    simulated_ = options.Simulated;
    backend_ = std::make_unique<RealTimeBackend>(*simulated_);
  } else {
    backend_ = std::make_unique<gantrel::HidapiBackend>();
    notes_ = std::make_unique<gantrel::OutOfStepNotes>(gantrel::OutOfStepNotes::DefaultFolder());
  }
  link_ = std::make_unique<gantrel::DeviceLink>(*backend_, gantrel::LinkTimeouts{}, notes_.get());
  window_ = std::make_unique<CGantrelDlg>(*link_, dialogs);
  window_->RememberGeometry();
  if (simulated_) {
    window_->setWindowTitle(QString::fromUtf8(kSimulatedCaption));
    // A power cycle, as a replug fault makes one: the link finds the handles it holds dead at
    // its next exchange and opens the programmer afresh, which ends an out-of-step state.
    window_->AddSimulationMenu([this] { simulated_->Reconnect(); });
  }
}

WindowSession::~WindowSession() = default;

void WindowSession::Start() {
  window_->Start(file_);
}
