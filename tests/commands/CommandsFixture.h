// The commands wired to a scripted window and the simulated programmer, with a temporary
// folder for files and helpers to look at the reports the programmer received.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "DeviceLink.h"
#include "ScriptedWindow.h"
#include "SimulatedBackend.h"
#include "SimulatedProgrammer.h"

namespace gantrel {

class CommandsFixture : public ::testing::Test {
 protected:
  CommandsFixture();
  ~CommandsFixture() override;

  // The fixed local time of every generated text: Sun Dec 13 04:28:52 2026.
  static std::tm FixedTime();

  // Writes `bytes` to a file of that name in the temporary folder; its path.
  std::string WriteFile(const std::string& name, const std::string& bytes);
  std::string ReadFile(const std::string& path) const;
  std::string TempPath(const std::string& name) const;
  // The path of a sample file.
  static std::string Sample(const std::string& name);

  // Chooses `path` in the next open dialog and runs the load command.
  void Load(const std::string& path);
  // Loads a text of fuses 0..n-1 set (no Q field, no checksum test): a quiet, clean load.
  void LoadCleanText(const std::string& text);

  // Byte 1 of every report received since `first`: the command codes, and image bytes for the
  // data reports of an upload.
  std::vector<std::uint8_t> CodesSince(std::size_t first) const;
  std::size_t ReportCount() const { return programmer.Received().size(); }
  // Fault helpers: faults count the reports sent since the programmer was made.
  void FaultAtNextReport(SimulatedFaultKind kind, std::uint64_t offset = 0,
                         std::chrono::milliseconds delay = std::chrono::milliseconds(3000));

  std::filesystem::path dir;
  SimulatedProgrammer programmer;
  SimulatedBackend backend{programmer};
  DeviceLink link{backend};
  ScriptedWindow window;
  Commands commands{window, link, &CommandsFixture::FixedTime};
};

// A text that sets exactly the given fuses after an F0, with no Q field.
std::string TextSetting(std::initializer_list<int> fuses);
// The fuse map that TextSetting's text gives.
FuseArray FusesSetting(std::initializer_list<int> fuses);

}  // namespace gantrel
