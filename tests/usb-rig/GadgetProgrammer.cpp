// The device side of the USB rig: the simulated programmer's firmware behind a real USB HID
// gadget. It reads each 64-byte output report from the gadget's node (/dev/hidg0), hands it
// to SimulatedProgrammer with the report ID 0 in front and writes the answer's 64 bytes back.
// Faults take --simulate-fault's language; a vanish or a replug unbinds the gadget from its
// UDC (and binds it again for a replug), so that the kernel unplugs the device for real.
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

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "SimulatedProgrammer.h"

namespace {

using gantrel::FuseImage;
using gantrel::Report;
using gantrel::SimulatedProgrammer;
namespace fs = std::filesystem;
constexpr std::size_t kPayload = gantrel::kReportSize;

volatile std::sig_atomic_t unplugAsked = 0, plugAsked = 0, endAsked = 0;

void OnSignal(int signal) {
  if (signal == SIGUSR1) unplugAsked = 1;
  if (signal == SIGUSR2) plugAsked = 1;
  if (signal == SIGTERM) endAsked = 1;
}

bool WriteText(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file.flush());
}

// The chip's image as its raw bytes.
std::string Bytes(const FuseImage& image) {
  return {reinterpret_cast<const char*>(image.data()), image.size()};
}

// Whether the host has a hidraw node for a device again, waiting up to 10 s for it to become
// `present` (the only HID device in the guest is the gadget).
bool WaitForHidraw(bool present) {
  for (int i = 0; i < 200; ++i) {
    bool any = false;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/class/hidraw", error)) {
      any = fs::exists("/dev" / entry.path().filename());
      if (any) break;
    }
    if (any == present) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// The gadget's node while it is bound to the UDC, else -1.
int node = -1;

// Binds the gadget to the UDC (the host sees a device plugged in) and opens its node.
bool Plug(const fs::path& dir, const std::string& udc) {
  if (!WriteText(dir / "UDC", udc + "\n") || !WaitForHidraw(true)) return false;
  node = open("/dev/hidg0", O_RDWR);
  return node >= 0;
}

// Unbinds it: the host sees the device unplugged.
bool Unplug(const fs::path& dir) {
  if (node >= 0) close(node);
  node = -1;
  return WriteText(dir / "UDC", "\n") && WaitForHidraw(false);
}

// The next output report; false when none came within 100 ms, a signal came or it was short.
bool ReadReport(Report& report) {
  pollfd wait{node, POLLIN, 0};
  if (node < 0 || poll(&wait, 1, 100) <= 0) return false;
  report.fill(0);
  return read(node, report.data(), kPayload) == static_cast<ssize_t>(kPayload);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || argc > 7) {
    std::cerr
        << "usage: gantrel_rig_gadget GADGET_DIR UDC CHIP_FILE LOG_FILE READY_FILE [FAULTS]\n";
    return 2;
  }
  const fs::path chipFile = argv[3], ready = argv[5];
  std::ofstream log(argv[4], std::ios::app);
  SimulatedProgrammer firmware;
  FuseImage chip{};
  std::ifstream saved(chipFile, std::ios::binary);
  if (saved.read(reinterpret_cast<char*>(chip.data()), chip.size())) firmware.SetChipImage(chip);
  WriteText(chipFile, Bytes(chip));
  if (argc == 7) {
    std::vector<gantrel::SimulatedFault> faults;
    std::string error;
    if (!gantrel::ParseSimulatedFaults(argv[6], faults, error)) {
      std::cerr << "gantrel_rig_gadget: " << error << "\n";
      return 2;
    }
    firmware.SetFaults(std::move(faults));
  }
  struct sigaction action {};
  action.sa_handler = OnSignal;  // no SA_RESTART: a signal ends a wait at once
  for (const int signal : {SIGUSR1, SIGUSR2, SIGTERM}) sigaction(signal, &action, nullptr);

  const fs::path dir = argv[1];
  const std::string udc = argv[2];
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
    Report report{};
    if (!ReadReport(report)) continue;
    if (replugDue) {
      // The firmware restarted once the answer before was taken; this report meets the unplug.
      replugDue = false;
      log << "replug before " << firmware.ReportCount() + 1 << std::endl;
      if (!Unplug(dir) || !Plug(dir, udc)) std::cerr << "gantrel_rig_gadget: replug failed\n";
      continue;
    }
    const SimulatedProgrammer::Outcome outcome = firmware.TakeReport(report);
    log << outcome.Number << " " << std::hex << int{report[0]} << std::dec
        << (outcome.Delivered ? "" : " vanished") << std::endl;
    if (firmware.ChipImage() != chip) {
      chip = firmware.ChipImage();
      WriteText(chipFile, Bytes(chip));
    }
    if (!outcome.Delivered) {
      Unplug(dir);
      continue;
    }
    if (!outcome.Answers) continue;
    // A late answer, in short sleeps so that SIGTERM still ends the program at once.
    const auto due = std::chrono::steady_clock::now() + outcome.Delay;
    while (!endAsked && std::chrono::steady_clock::now() < due)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // A host that does not read leaves the answer waiting in the endpoint.
    if (write(node, outcome.Answer.data(), kPayload) < 0) std::perror("gantrel_rig_gadget");
    firmware.AnswerTaken(outcome.Number);
    replugDue = firmware.Connection() != connection;
    connection = firmware.Connection();
  }
  return 0;
}
