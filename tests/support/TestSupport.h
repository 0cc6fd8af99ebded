// What several test suites share: the sample files and their manifest, the writer's worked
// example, and scratch folders.
#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "FuseMap.h"

namespace gantrel::testing {

// The path of one sample file, in the folder of sample JEDEC files written by other tools
// (GANTREL_SAMPLES_DIR at build time), which lives beside the checkout on the project's build
// machines only.
std::string SamplePath(const std::string& name);
// Why the sample tests cannot run here ("" when the folder and its MANIFEST.tsv are there), and
// in `required` whether that is a failure rather than a skip (GANTREL_REQUIRE_SAMPLES=1 in the
// environment, as CI sets it).
std::string SamplesMissing(bool& required);
// The whole file as raw bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Writes `bytes` to `path` as they stand.
void WriteFileBytes(const std::string& path, const std::string& bytes);

// One row of MANIFEST.tsv, by column name ("file", "reader", "qf", ...).
using ManifestRow = std::map<std::string, std::string>;
// Every row of the samples' MANIFEST.tsv, in file order.
std::vector<ManifestRow> ReadManifest();
// The value as four upper-case hex digits, as the manifest writes checksums.
std::string Hex4(unsigned value);

// The writer's worked example: fuses 0, 1, 131, 5808, 5811 and the UES "AB" set, written on
// Sun Dec 13 04:28:52 2026 (SOURCE_DATE_EPOCH 1797136132 in UTC).
FuseArray ExampleFuses();
std::tm ExampleTime();
// The text the writer makes of them, lines ending in CR LF.
extern const char* const kExampleText;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  // The path of `name` inside the folder, as a string.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace gantrel::testing

// Starts a test over the sample files: skips it with one line saying why when the folder is
// absent, or fails it when the samples are required.
#define GANTREL_REQUIRE_SAMPLES_OR_SKIP()                                               \
  do {                                                                                  \
    bool required = false;                                                              \
    if (const std::string why = ::gantrel::testing::SamplesMissing(required); required) \
      FAIL() << why;                                                                    \
    else if (!why.empty())                                                              \
      GTEST_SKIP() << why;                                                              \
  } while (false)
