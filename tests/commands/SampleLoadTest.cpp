// Every real sample file loaded by the load command, judged against MANIFEST.tsv.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

#include "CommandsFixture.h"

namespace gantrel {
namespace {

struct SampleRow {
  std::string File;
  std::string Reader;  // ok, checksum-mismatch or syntax-error
  std::size_t Result = 0;
  std::size_t Length = 0;
  std::uint16_t FuseChecksum5892 = 0;
  bool OtherDevice = false;
};

std::vector<SampleRow> ReadManifest() {
  std::vector<SampleRow> rows;
  std::ifstream in(std::string(GANTREL_SAMPLES_DIR) + "/MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, '\t')) cells.push_back(cell);
    if (cells.size() < 15) continue;
    SampleRow row;
    row.File = cells[0];
    row.Reader = cells[6];
    row.Result = std::stoul(cells[7]);
    row.Length = std::stoul(cells[8]);
    row.FuseChecksum5892 = static_cast<std::uint16_t>(std::stoul(cells[13], nullptr, 16));
    row.OtherDevice = cells[14] == "other-device";
    rows.push_back(row);
  }
  return rows;
}

class SampleLoad : public CommandsFixture, public ::testing::WithParamInterface<SampleRow> {};

TEST_P(SampleLoad, LoadsAsTheManifestSays) {
  const SampleRow& row = GetParam();
  // A mismatch is rejected, a file for another device accepted.
  if (row.Reader == "checksum-mismatch") window.AnswerNext(MessageAnswer::Cancel);
  if (row.Reader == "ok" && row.OtherDevice) window.AnswerNext(MessageAnswer::Ok);
  Load(Sample(row.File));
  EXPECT_TRUE(window.ScriptUsedUp());
  ASSERT_FALSE(window.Texts.empty());
  EXPECT_EQ(window.Texts.back().size(), row.Length);
  const WorkingState& state = commands.State();

  if (row.Reader == "ok") {
    EXPECT_EQ(window.Boxes.size(), row.OtherDevice ? 1u : 0u);
    EXPECT_TRUE(state.JedecLoaded);
    EXPECT_EQ(FuseChecksum(state.FuseArray, kDeviceFuseCount), row.FuseChecksum5892);
    FuseImage image{};
    PackFuseImage(state.FuseArray, image);
    EXPECT_EQ(programmer.UploadedImage(), image);
    EXPECT_EQ(programmer.UploadCount(), 1);
    EXPECT_TRUE(window.Carets.empty());
  } else {
    ASSERT_FALSE(window.Boxes.empty());
    EXPECT_EQ(window.Boxes.back().Text, "JEDECファイルにエラーがあります。");
    EXPECT_EQ(window.Carets, std::vector<std::size_t>{row.Result});
    EXPECT_FALSE(state.JedecLoaded);
    EXPECT_EQ(state.FuseArray, FuseArray{});
    EXPECT_EQ(ReportCount(), 0u);
  }
}

std::string SampleName(const ::testing::TestParamInfo<SampleRow>& info) {
  std::string name;
  for (char c : info.param.File) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Manifest, SampleLoad, ::testing::ValuesIn(ReadManifest()), SampleName);

TEST(SampleManifest, ListsTheSampleFiles) {
  EXPECT_GE(ReadManifest().size(), 60u);
}

}  // namespace
}  // namespace gantrel
