// Every sample file loads as MANIFEST.tsv says: the whole file, unframed, read into a fuse map
// that starts all 0, a checksum mismatch counted as rejected. Where the sample folder is absent
// the suite has no cases, and JedecSamples.ManifestListsSixtyFiles says why it was skipped.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "JedecFraming.h"
#include "ReadText.h"
#include "TestSupport.h"

namespace gantrel {
namespace {

const char* const kStatus[] = {"ok", "syntax-error", "checksum-mismatch"};  // by ReadOutcome

// The transmission checksums of files that show each case the samples' README names.
const std::map<std::string, std::pair<std::string, int>> kTransmission = {
    {"simon-frankau__galette__GAL22V10_reg.jed", {"ok", 0x12C2}},          // lower case
    {"foxostro__Turtle16__HazardControl1.jed", {"line-endings", 0x6894}},  // 26894
    {"Herzh__Gal22v10__compuerta.jed", {"line-endings", 0x5F5C}},
    {"54weasels__sun3_60__1581-01.GDJ.jed", {"mismatch", 0x0000}},  // a dummy sum
    {"ezrec__galpal__bldc.jed", {"absent", 0}},                     // no ETX
    {"daveho__GALasm__cli_crlf_no_checksum_expected.jed", {"absent", 0}},
    {"RobertBaruch__22V10-74F269__COUNTER.jed", {"ok", 0x9577}},
};

class JedecSample : public ::testing::TestWithParam<testing::ManifestRow> {};

TEST_P(JedecSample, LoadsAsManifestSays) {
  const testing::ManifestRow& row = GetParam();
  const std::string bytes = testing::ReadFileBytes(testing::SamplePath(row["file"]));
  ASSERT_FALSE(bytes.empty()) << "cannot read " << row["file"];
  const std::string text = UnframeJedecText(bytes);
  const ReadOut r = ReadText(text);
  const JedecReadResult& x = r.Result;
  std::vector<std::string> want;
  for (const char* column : {"reader", "result", "length", "qf", "qp", "given_checksum",
                             "computed_checksum", "fuse_checksum_5892", "device"})
    want.push_back(row[column]);
  EXPECT_EQ(
      std::vector<std::string>({kStatus[static_cast<int>(x.Outcome)], std::to_string(x.Position),
                                std::to_string(x.Length), std::to_string(x.Qf),
                                std::to_string(x.Qp), testing::Hex4(x.GivenChecksum),
                                x.ChecksumTested ? testing::Hex4(x.ComputedChecksum) : "-",
                                testing::Hex4(FuseChecksum(r.Fuses, kDeviceFuseCount)),
                                DeclaresThisDevice(x) ? "match" : "other-device"}),
      want);
  if (const auto t = kTransmission.find(row["file"]); t != kTransmission.end()) {
    const TransmissionCheck check = CheckTransmission(bytes);
    EXPECT_EQ(std::make_pair(std::string(TransmissionStatusName(check.Status)), int(check.Stated)),
              t->second);
  }
}

INSTANTIATE_TEST_SUITE_P(Manifest, JedecSample, ::testing::ValuesIn(testing::ReadManifest()),
                         [](const ::testing::TestParamInfo<testing::ManifestRow>& info) {
                           std::string name = info.param["file"];
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(JedecSample);

TEST(JedecSamples, ManifestListsSixtyFiles) {
  GANTREL_REQUIRE_SAMPLES_OR_SKIP();
  EXPECT_EQ(testing::ReadManifest().size(), 60u);
}
}  // namespace
}  // namespace gantrel
