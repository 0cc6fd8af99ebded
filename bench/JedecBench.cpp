// Speed of the JEDEC layer: the reader over a real 22V10 file and over the writer's longest text,
// the writer itself, the fuse checksum and the image packing.
#include <benchmark/benchmark.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "FuseMap.h"
#include "JedecFraming.h"
#include "JedecReader.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

std::tm FixedTime() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 13;
  time.tm_hour = 4;
  time.tm_min = 28;
  time.tm_sec = 52;
  return time;
}

FuseArray AllOnes() {
  FuseArray fuses;
  fuses.fill(1);
  return fuses;
}

void ReadText(benchmark::State& state, const std::string& text) {
  FuseArray fuses{};
  for (auto _ : state) {
    JedecReadResult result = JedecReader(text, fuses);
    benchmark::DoNotOptimize(result);
    benchmark::ClobberMemory();
    if (!result.Ok()) state.SkipWithError("the text did not read cleanly");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_JedecReaderSample(benchmark::State& state) {
  std::ifstream in(std::string(GANTREL_EXAMPLES_DIR) + "/decoder.jed", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string text = UnframeJedecText(bytes.str());
  if (text.empty()) {
    state.SkipWithError("examples/decoder.jed not found");
    return;
  }
  ReadText(state, text);
}
BENCHMARK(BM_JedecReaderSample);

void BM_JedecReaderAllOnes(benchmark::State& state) {
  ReadText(state, JedecWriter(AllOnes(), kPesBytes, FixedTime()));
}
BENCHMARK(BM_JedecReaderAllOnes);

void BM_JedecWriterAllOnes(benchmark::State& state) {
  const FuseArray fuses = AllOnes();
  const std::tm time = FixedTime();
  std::size_t size = 0;
  for (auto _ : state) {
    std::string text = JedecWriter(fuses, kPesBytes, time);
    size = text.size();
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_JedecWriterAllOnes);

void BM_FuseChecksum(benchmark::State& state) {
  const FuseArray fuses = AllOnes();
  for (auto _ : state) {
    benchmark::DoNotOptimize(FuseChecksum(fuses, kDeviceFuseCount));
  }
}
BENCHMARK(BM_FuseChecksum);

void BM_PackFuseImage(benchmark::State& state) {
  const FuseArray fuses = AllOnes();
  FuseImage image{};
  for (auto _ : state) {
    PackFuseImage(fuses, image);
    benchmark::DoNotOptimize(image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PackFuseImage);

void BM_UnpackFuseImage(benchmark::State& state) {
  FuseImage image;
  image.fill(0xA5);
  FuseArray fuses{};
  for (auto _ : state) {
    UnpackFuseImage(image, fuses);
    benchmark::DoNotOptimize(fuses);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_UnpackFuseImage);

}  // namespace
}  // namespace gantrel
