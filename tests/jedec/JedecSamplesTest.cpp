// Every sample file loads as MANIFEST.tsv says: the whole file, unframed, read into a fuse map
// that starts all 0, with a checksum mismatch answered Cancel.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "JedecFraming.h"
#include "JedecReader.h"
#include "ScriptedQuestion.h"

namespace gantrel {
namespace {

const std::string kSamplesDir = GANTREL_SAMPLES_DIR;

struct ManifestRow {
  std::map<std::string, std::string> Fields;
  const std::string& operator[](const std::string& key) const { return Fields.at(key); }
};

void PrintTo(const ManifestRow& row, std::ostream* os) {
  *os << row.Fields.at("file");
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
  return fields;
}

std::vector<ManifestRow> ReadManifest() {
  std::ifstream in(kSamplesDir + "/MANIFEST.tsv");
  std::vector<ManifestRow> rows;
  std::string line;
  if (!std::getline(in, line)) return rows;
  const std::vector<std::string> header = SplitTabs(line);
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    const std::vector<std::string> values = SplitTabs(line);
    ManifestRow row;
    for (std::size_t i = 0; i < header.size() && i < values.size(); ++i) {
      row.Fields[header[i]] = values[i];
    }
    rows.push_back(row);
  }
  return rows;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value & 0xFFFF);
  return text;
}

std::string ReaderStatus(const JedecReadResult& result) {
  switch (result.Outcome) {
    case ReadOutcome::Accepted:
      return "ok";
    case ReadOutcome::SyntaxError:
      return "syntax-error";
    case ReadOutcome::ChecksumRejected:
      return "checksum-mismatch";
  }
  return "?";
}

// A 22V10 is declared with QF 5828 (no UES), 5892 or 5893, on 24 or 28 pins, or not at all.
std::string Device(const JedecReadResult& result) {
  const bool fuseCount =
      result.Qf == 0 || result.Qf == 5828 || result.Qf == 5892 || result.Qf == 5893;
  const bool pinCount = result.Qp == 0 || result.Qp == 24 || result.Qp == 28;
  return fuseCount && pinCount ? "match" : "other-device";
}

class JedecSample : public testing::TestWithParam<ManifestRow> {};

TEST_P(JedecSample, LoadsAsManifestSays) {
  const ManifestRow& row = GetParam();
  const std::string bytes = ReadFile(kSamplesDir + "/" + row["file"]);
  ASSERT_FALSE(bytes.empty()) << "cannot read " << row["file"];
  ASSERT_LE(bytes.size(), kMaxJedecFileBytes);

  const std::string text = UnframeJedecText(bytes);
  FuseArray fuses{};
  ScriptedQuestion cancel(false);
  const JedecReadResult result = JedecReader(text, fuses, cancel);

  EXPECT_EQ(ReaderStatus(result), row["reader"]);
  EXPECT_EQ(std::to_string(result.Position), row["result"]);
  EXPECT_EQ(std::to_string(result.Length), row["length"]);
  EXPECT_EQ(static_cast<std::size_t>(result.Length), text.size());
  EXPECT_EQ(std::to_string(result.Qf), row["qf"]);
  EXPECT_EQ(std::to_string(result.Qp), row["qp"]);
  EXPECT_EQ(Hex4(result.GivenChecksum), row["given_checksum"]);
  EXPECT_EQ(result.ChecksumTested ? Hex4(result.ComputedChecksum) : "-", row["computed_checksum"]);
  EXPECT_EQ(Hex4(FuseChecksum(fuses, kDeviceFuseCount)), row["fuse_checksum_5892"]);
  EXPECT_EQ(Device(result), row["device"]);
  // The question is asked exactly when the manifest shows a mismatch.
  EXPECT_EQ(cancel.Calls.size(), row["reader"] == "checksum-mismatch" ? 1u : 0u);
}

std::string SampleName(const testing::TestParamInfo<ManifestRow>& info) {
  std::string name;
  for (char c : info.param["file"]) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Manifest, JedecSample, testing::ValuesIn(ReadManifest()), SampleName);

TEST(JedecSamples, ManifestListsSixtyFiles) {
  EXPECT_EQ(ReadManifest().size(), 60u);
}

// The transmission checksums of files that show each case the samples' README names.
TEST(JedecSamples, TransmissionChecksumCases) {
  const struct {
    const char* File;
    TransmissionStatus Status;
    std::uint16_t Stated;
  } cases[] = {
      {"simon-frankau__galette__GAL22V10_reg.jed", TransmissionStatus::Ok, 0x12C2},  // lower case
      {"foxostro__Turtle16__HazardControl1.jed", TransmissionStatus::LineEndings, 0x6894},  // 26894
      {"Herzh__Gal22v10__compuerta.jed", TransmissionStatus::LineEndings, 0x5F5C},
      {"54weasels__sun3_60__1581-01.GDJ.jed", TransmissionStatus::Mismatch, 0x0000},  // dummy
      {"ezrec__galpal__bldc.jed", TransmissionStatus::Absent, 0},                     // no ETX
      {"daveho__GALasm__cli_crlf_no_checksum_expected.jed", TransmissionStatus::Absent, 0},
      {"RobertBaruch__22V10-74F269__COUNTER.jed", TransmissionStatus::Ok, 0x9577},
  };
  for (const auto& c : cases) {
    const TransmissionCheck check = CheckTransmission(ReadFile(kSamplesDir + "/" + c.File));
    EXPECT_EQ(check.Status, c.Status) << c.File;
    EXPECT_EQ(check.Stated, c.Stated) << c.File;
  }
}

}  // namespace
}  // namespace gantrel
