// Speed of gantrel-cli explain on one map, in-process: load, decode and write the text or JSON.
#include <benchmark/benchmark.h>

#include <ctime>
#include <sstream>
#include <string>

#include "CliCommands.h"
#include "FuseMap.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

// A map whose 132 rows all hold a term of two inputs, so that every equation is as long as the
// device allows: the most text explain can have to write.
std::string FullMapText() {
  FuseArray fuses{};
  fuses.fill(1);
  for (int row = 0; row < kRowCount; ++row) {
    fuses[row * kRowFuses + 2 * (row % 22)] = 0;
    fuses[row * kRowFuses + 2 * ((row * 7 + 3) % 22) + 1] = 0;
  }
  std::tm time{};
  time.tm_year = 2026 - 1900;
  return JedecWriter(fuses, kPesBytes, time);
}

void Explain(benchmark::State& state, const std::vector<std::string>& args) {
  const std::string text = FullMapText();
  const CliEnvironment env;
  for (auto _ : state) {
    std::istringstream in(text);
    std::ostringstream out, err;
    if (RunCli(args, in, out, err, env) != 0) state.SkipWithError(err.str().c_str());
    benchmark::DoNotOptimize(out);
  }
}

void BM_ExplainText(benchmark::State& state) {
  Explain(state, {"explain", "-"});
}
BENCHMARK(BM_ExplainText)->Unit(benchmark::kMicrosecond);

void BM_ExplainJson(benchmark::State& state) {
  Explain(state, {"explain", "--json", "-"});
}
BENCHMARK(BM_ExplainJson)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace gantrel
