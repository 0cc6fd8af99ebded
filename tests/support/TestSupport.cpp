#include "TestSupport.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace gantrel::testing {

std::string SamplePath(const std::string& name) {
  return std::string(GANTREL_SAMPLES_DIR) + "/" + name;
}

std::string SamplesMissing(bool& required) {
  std::error_code error;
  if (std::filesystem::is_regular_file(SamplePath("MANIFEST.tsv"), error)) return "";
  const char* value = std::getenv("GANTREL_REQUIRE_SAMPLES");
  required = value != nullptr && std::string(value) == "1";
  return std::string("sample JEDEC files not found at ") + GANTREL_SAMPLES_DIR +
         " (they exist only beside the project's build machines' checkouts)" +
         (required ? " (GANTREL_REQUIRE_SAMPLES is set)" : "");
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<ManifestRow> ReadManifest() {
  std::ifstream in(SamplePath("MANIFEST.tsv"));
  std::string line, field;
  std::vector<std::string> columns;  // named by the first line
  std::getline(in, line);
  for (std::istringstream names(line); std::getline(names, field, '\t');) columns.push_back(field);
  std::vector<ManifestRow> rows;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    ManifestRow row;
    for (std::size_t i = 0; i < columns.size() && std::getline(fields, field, '\t'); ++i)
      row[columns[i]] = field;
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
  return text;
}

FuseArray ExampleFuses() {
  FuseArray fuses{};
  // Then the UES bytes 'A' (01000001) and 'B' (01000010), the lowest-numbered fuse first.
  for (int fuse : {0, 1, 131, 5808, 5811, kUesFirstFuse + 1, kUesFirstFuse + 7, kUesFirstFuse + 9,
                   kUesFirstFuse + 14})
    fuses[fuse] = 1;
  return fuses;
}

std::tm ExampleTime() {
  const std::time_t seconds = 1797136132;
  std::tm time{};
  gmtime_r(&seconds, &time);
  return time;
}

const char* const kExampleText =
    "JEDEC file for ATF22LV10C created on Sun Dec 13 04:28:52 2026\r\n"
    "*QP24\r\n"
    "*QF5892\r\n"
    "*QV0\r\n"
    "*F0\r\n"
    "*G0\r\n"
    "*X0\r\n"
    "*L0000 11000000000000000000000000000000000000000000\r\n"
    "*L0088 00000000000000000000000000000000000000000001\r\n"
    "*L5808 10010000000000000000\r\n"
    "*N UES 41 42 00 00 00 00 00 00\r\n"
    "*L5828 0100000101000010000000000000000000000000000000000000000000000000\r\n"
    "*N PES 31 46 32 32 4C 31 30 43 33 00\r\n"
    "*C0060\r\n"
    "*";

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "gantrel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace gantrel::testing
