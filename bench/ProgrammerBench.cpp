// The host's own time for whole exchanges, with the simulated programmer answering at once:
// everything measured here is link code, report copying and the simulated firmware, never USB.
#include <benchmark/benchmark.h>

#include "DeviceLink.h"
#include "SimulatedProgrammer.h"

namespace {

using namespace gantrel;

FuseImage Pattern() {
  FuseImage image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return image;
}

void BM_UploadFuseImage(benchmark::State& state) {
  SimulatedProgrammer programmer;
  programmer.KeepLog(false);  // the log would grow without end over millions of reports
  SimulatedBackend backend(programmer);
  DeviceLink link(backend);
  const FuseImage image = Pattern();
  for (auto _ : state) {
    const ExchangeResult result = link.UploadFuseImage(image);
    if (!result.Ok()) state.SkipWithError("upload failed");
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * 26);  // transfers
}
BENCHMARK(BM_UploadFuseImage);

void BM_ReadFuseImage(benchmark::State& state) {
  SimulatedProgrammer programmer;
  programmer.KeepLog(false);
  programmer.SetChipImage(Pattern());
  SimulatedBackend backend(programmer);
  DeviceLink link(backend);
  FuseImage image{};
  for (auto _ : state) {
    const ExchangeResult result = link.ReadFuseImage(image);
    if (!result.Ok()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(image);
  }
  state.SetItemsProcessed(state.iterations() * 24);
}
BENCHMARK(BM_ReadFuseImage);

void BM_ReadPes(benchmark::State& state) {
  SimulatedProgrammer programmer;
  programmer.KeepLog(false);
  SimulatedBackend backend(programmer);
  DeviceLink link(backend);
  PesBytes pes{};
  for (auto _ : state) {
    const ExchangeResult result = link.ReadPes(pes);
    if (!result.Ok()) state.SkipWithError("PES query failed");
    benchmark::DoNotOptimize(pes);
  }
}
BENCHMARK(BM_ReadPes);

}  // namespace
