// Feeds arbitrary file bytes through UnframeJedecText and JedecReader, then writes the fuses back
// with JedecWriter and reads that text again: it must read back cleanly, without a question, to
// the same fuses 0..5891. Any other outcome aborts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "JedecFraming.h"
#include "JedecReader.h"
#include "JedecWriter.h"

namespace {

using namespace gantrel;

// Names the broken promise on stderr before aborting, so that a crash report says what failed.
#define CHECK(condition)                                                  \
  do {                                                                    \
    if (!(condition)) {                                                   \
      std::fprintf(stderr, "jedec_fuzz: check failed: %s\n", #condition); \
      std::abort();                                                       \
    }                                                                     \
  } while (false)

// Reads `text` into a fuse map that starts from `start`, checks what the reader promises about
// its result, then checks that the writer's text for the fuses read reads back unchanged.
void ReadWriteRead(const std::string& text, const FuseArray& start) {
  FuseArray fuses = start;
  const JedecReadResult result = JedecReader(text, fuses);
  CHECK(result.Length >= 0 && static_cast<std::size_t>(result.Length) <= text.size());
  CHECK(result.Position >= 0 && result.Position <= result.Length);
  if (result.Outcome == ReadOutcome::SyntaxError) {
    CHECK(result.Position < result.Length);
    CHECK(result.ErrorChar == static_cast<unsigned char>(text[result.Position]));
  } else if (result.Outcome == ReadOutcome::ChecksumMismatch) {
    CHECK(!result.Ok() && result.Position == result.ChecksumFieldPos);
    CHECK(result.ChecksumTested && result.ComputedChecksum != result.GivenChecksum);
  } else {
    CHECK(result.Ok());
  }
  CHECK(0 <= result.ListedMapFuses && result.ListedMapFuses <= result.ListedFuses);
  CHECK(result.ListedFuses <= kDeviceFuseCount && FusesSet(result) <= MapFuseCount(result));
  for (std::uint8_t f : fuses) CHECK(f <= 1);

  std::tm time{};
  time.tm_year = 126;
  time.tm_mday = 1;
  const std::string written = JedecWriter(fuses, kPesBytes, time);
  CHECK(written.size() <= 7277);
  FuseArray again = start;
  const JedecReadResult reread = JedecReader(written, again);
  CHECK(reread.Ok() && reread.ChecksumTested && DeclaresThisDevice(reread));
  CHECK(CoverageOf(reread) == FuseCoverage::Complete);
  CHECK(reread.GivenChecksum == FuseChecksum(fuses, kDeviceFuseCount));
  for (int i = 0; i < kDeviceFuseCount; ++i) CHECK(again[i] == fuses[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = UnframeJedecText(bytes);
  CHECK(text.size() <= size);
  CHECK(text.find('\0') == std::string::npos);
  const TransmissionCheck transmission = CheckTransmission(bytes);
  CHECK(static_cast<int>(transmission.Status) <= static_cast<int>(TransmissionStatus::Mismatch));
  // A text that holds no STX or ETX of its own survives framing and unframing unchanged.
  if (text.find_first_of("\x02\x03") == std::string::npos) {
    CHECK(UnframeJedecText(FrameJedecText(text)) == text);
  }

  // The fuses the reader starts from come from the data too, so that both kinds of leftover
  // fuses are explored.
  const std::uint8_t seed = size > 0 ? data[size - 1] : 0;
  FuseArray start;
  for (std::size_t i = 0; i < start.size(); ++i) start[i] = (seed >> (i % 8)) & 1;
  ReadWriteRead(text, start);
  ReadWriteRead(text, FuseArray{});
  return 0;
}
