// Every sample file loads as MANIFEST.tsv says: the whole file, unframed, read into a fuse map
// that starts all 0. Skipped with the reason where the sample folder is absent.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "JedecFraming.h"
#include "JedecReader.h"
#include "TestSupport.h"

namespace gantrel {
namespace {

TEST(JedecSamples, EveryFileLoadsAsTheManifestSays) {
  GANTREL_REQUIRE_SAMPLES_OR_SKIP();
  const auto rows = testing::ReadManifest();
  EXPECT_EQ(rows.size(), 60u);
  const char* const kStatus[] = {"ok", "syntax-error", "checksum-mismatch"};  // by ReadOutcome
  const char* const kCoverage[] = {"none", "partial ", "complete"};           // by FuseCoverage
  for (const testing::ManifestRow& row : rows) {
    SCOPED_TRACE(row.at("file"));
    const std::string bytes = testing::ReadFileBytes(testing::SamplePath(row.at("file")));
    FuseArray fuses{};
    const JedecReadResult x = JedecReader(UnframeJedecText(bytes), fuses);
    const std::pair<const char*, std::string> seen[] = {
        {"reader", kStatus[static_cast<int>(x.Outcome)]},
        {"result", std::to_string(x.Position)},
        {"qf", std::to_string(x.Qf)},
        {"qp", std::to_string(x.Qp)},
        {"given_checksum", testing::Hex4(x.GivenChecksum)},
        {"computed_checksum", x.ChecksumTested ? testing::Hex4(x.ComputedChecksum) : "-"},
        {"fuse_checksum_5892", testing::Hex4(FuseChecksum(fuses, kDeviceFuseCount))},
        {"device", DeclaresThisDevice(x) ? "match" : "other-device"},
        {"fuses", x.Outcome == ReadOutcome::SyntaxError ? "-"
                  : CoverageOf(x) == FuseCoverage::Partial
                      ? kCoverage[1] + std::to_string(FusesSet(x))
                      : kCoverage[static_cast<int>(CoverageOf(x))]},
    };
    for (const auto& [column, value] : seen) EXPECT_EQ(value, row.at(column)) << column;
  }
}

}  // namespace
}  // namespace gantrel
