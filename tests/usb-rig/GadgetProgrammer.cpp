// The device side of the USB rig: the simulated programmer's firmware behind a real USB HID
// gadget. It reads each 64-byte output report from the gadget's node (/dev/hidg0), hands it
// to SimulatedProgrammer and writes the answer's 64 bytes back. Faults take --simulate-fault's
// language; a vanish or a replug unbinds the gadget from its UDC (and binds it again for a
// replug), so that the kernel unplugs the device for real.
//
//   gantrel_rig_gadget GADGET_DIR UDC CHIP_FILE LOG_FILE READY_FILE [FAULTS]
//
// GADGET_DIR is the gadget's configfs folder, UDC the controller to bind it to. CHIP_FILE holds
// the chip's image (its 768 bytes): read at start when present, rewritten whenever the chip
// changes. LOG_FILE gets one line per report the firmware took. READY_FILE is created once the
// device is plugged in (at start, after SIGUSR2) or unplugged (after SIGUSR1). SIGUSR1 unplugs,
// SIGUSR2 plugs in again with the firmware restarted, SIGTERM ends it.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <utility>

#include "SimulatedProgrammer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

volatile std::sig_atomic_t unplugAsked = 0, plugAsked = 0, endAsked = 0;
void OnSignal(int signal) {
  (signal == SIGUSR1 ? unplugAsked : signal == SIGUSR2 ? plugAsked : endAsked) = 1;
}

bool WriteText(const fs::path& path, const std::string& text) {
  return static_cast<bool>(std::ofstream(path, std::ios::binary) << text << std::flush);
}

// Waits up to 10 s for the host to have a hidraw node (or none) again; the gadget is the only
// HID device in the guest.
bool WaitForHidraw(bool present) {
  for (int i = 0; i < 200; ++i, std::this_thread::sleep_for(50ms)) {
    bool any = false;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/class/hidraw", error))
      any = any || fs::exists("/dev" / entry.path().filename());
    if (any == present) return true;
  }
  return false;
}

int node = -1;  // the gadget's node while it is bound to the UDC

// Binding the gadget to the UDC plugs it in, unbinding it unplugs it, as the host sees it.
bool Plug(const fs::path& dir, const std::string& udc) {
  if (!WriteText(dir / "UDC", udc + "\n") || !WaitForHidraw(true)) return false;
  return (node = open("/dev/hidg0", O_RDWR)) >= 0;
}
bool Unplug(const fs::path& dir) {
  if (node >= 0) close(node);
  node = -1;
  return WriteText(dir / "UDC", "\n") && WaitForHidraw(false);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<gantrel::SimulatedFault> faults;
  std::string error;
  if (argc < 6 || argc > 7 ||
      (argc == 7 && !gantrel::ParseSimulatedFaults(argv[6], faults, error))) {
    std::cerr << "usage: gantrel_rig_gadget GADGET_DIR UDC CHIP_FILE LOG_FILE READY_FILE [FAULTS]\n"
              << error << "\n";
    return 2;
  }
  const fs::path dir = argv[1], chipFile = argv[3], ready = argv[5];
  const std::string udc = argv[2];
  std::ofstream log(argv[4], std::ios::app);
  gantrel::SimulatedProgrammer firmware;
  firmware.SetFaults(std::move(faults));
  gantrel::FuseImage chip{};
  if (std::ifstream(chipFile, std::ios::binary)
          .read(reinterpret_cast<char*>(chip.data()), chip.size()))
    firmware.SetChipImage(chip);
  const auto saveChip = [&] { WriteText(chipFile, std::string(chip.begin(), chip.end())); };
  saveChip();
  struct sigaction action {};
  action.sa_handler = OnSignal;  // no SA_RESTART: a signal ends a wait at once
  for (const int signal : {SIGUSR1, SIGUSR2, SIGTERM}) sigaction(signal, &action, nullptr);

  // Every run starts with a fresh plug-in, as a programmer plugged in for it would.
  Unplug(dir);  // fails harmlessly when the gadget is not bound yet
  if (!WaitForHidraw(false) || !Plug(dir, udc) || !WriteText(ready, "plugged\n")) {
    std::cerr << "gantrel_rig_gadget: the gadget could not be plugged in\n";
    return 1;
  }
  std::uint64_t connection = firmware.Connection();
  bool replugDue = false;
  while (!endAsked) {
    if (unplugAsked) {
      unplugAsked = 0;
      if (!Unplug(dir)) std::cerr << "gantrel_rig_gadget: unplug failed\n";
      WriteText(ready, "unplugged\n");
    }
    if (plugAsked) {
      plugAsked = 0;
      firmware.Reconnect();  // a power cycle: the firmware restarts idle
      connection = firmware.Connection();
      if (!Plug(dir, udc)) std::cerr << "gantrel_rig_gadget: plug failed\n";
      WriteText(ready, "plugged\n");
    }
    // The next output report, if one comes within 100 ms and no signal comes first.
    gantrel::Report report{};
    pollfd wait{node, POLLIN, 0};
    if (node < 0 || poll(&wait, 1, 100) <= 0 ||
        read(node, report.data(), report.size()) != ssize_t(report.size()))
      continue;
    if (std::exchange(replugDue, false)) {
      // The firmware restarted once the answer before was taken; this report meets the unplug.
      log << "replug before " << firmware.ReportCount() + 1 << std::endl;
      if (!Unplug(dir) || !Plug(dir, udc)) std::cerr << "gantrel_rig_gadget: replug failed\n";
      continue;
    }
    const auto outcome = firmware.TakeReport(report);
    log << outcome.Number << " " << std::hex << int{report[0]} << std::dec
        << (outcome.Delivered ? "" : " vanished") << std::endl;
    if (firmware.ChipImage() != chip) chip = firmware.ChipImage(), saveChip();
    if (!outcome.Delivered) Unplug(dir);
    if (!outcome.Delivered || !outcome.Answers) continue;
    // A late answer, in short sleeps so that SIGTERM still ends the program at once.
    for (const auto due = std::chrono::steady_clock::now() + outcome.Delay;
         !endAsked && std::chrono::steady_clock::now() < due;)
      std::this_thread::sleep_for(20ms);
    // A host that does not read leaves the answer waiting in the endpoint.
    if (write(node, outcome.Answer.data(), outcome.Answer.size()) < 0)
      std::perror("gantrel_rig_gadget");
    firmware.AnswerTaken(outcome.Number);
    replugDue = firmware.Connection() != connection;
    connection = firmware.Connection();
  }
}
