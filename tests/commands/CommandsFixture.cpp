#include "CommandsFixture.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

namespace gantrel {

CommandsFixture::CommandsFixture() {
  static std::atomic<int> counter{0};
  dir = std::filesystem::temp_directory_path() /
        ("gantrel-commands-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
         std::to_string(counter++));
  std::filesystem::create_directories(dir);
  commands.OpenProgrammer();
}

CommandsFixture::~CommandsFixture() {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

std::tm CommandsFixture::FixedTime() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 13;
  time.tm_wday = 0;
  time.tm_hour = 4;
  time.tm_min = 28;
  time.tm_sec = 52;
  return time;
}

std::string CommandsFixture::WriteFile(const std::string& name, const std::string& bytes) {
  const std::string path = TempPath(name);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string CommandsFixture::ReadFile(const std::string& path) const {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string CommandsFixture::TempPath(const std::string& name) const {
  return (dir / name).string();
}

std::string CommandsFixture::Sample(const std::string& name) {
  return std::string(GANTREL_SAMPLES_DIR) + "/" + name;
}

void CommandsFixture::Load(const std::string& path) {
  window.ChooseNext(path);
  commands.OnJedecLoad();
}

void CommandsFixture::LoadCleanText(const std::string& text) {
  Load(WriteFile("clean.jed", text));
  ASSERT_TRUE(commands.State().JedecLoaded);
}

std::vector<std::uint8_t> CommandsFixture::CodesSince(std::size_t first) const {
  std::vector<std::uint8_t> codes;
  const std::vector<Report>& received = programmer.Received();
  for (std::size_t i = first; i < received.size(); ++i) codes.push_back(received[i][1]);
  return codes;
}

void CommandsFixture::FaultAtNextReport(SimulatedFaultKind kind, std::uint64_t offset,
                                        std::chrono::milliseconds delay) {
  SimulatedFault fault;
  fault.Kind = kind;
  fault.Report = programmer.ReportCount() + 1 + offset;
  fault.Delay = delay;
  programmer.SetFault(fault);
}

std::string TextSetting(std::initializer_list<int> fuses) {
  std::string text = "test\r\n*F0\r\n";
  for (int fuse : fuses) text += "*L" + std::to_string(fuse) + " 1\r\n";
  return text + "*\r\n";
}

FuseArray FusesSetting(std::initializer_list<int> fuses) {
  FuseArray array{};
  for (int fuse : fuses) array[static_cast<std::size_t>(fuse)] = 1;
  return array;
}

}  // namespace gantrel
