// The number texts the panel writes 25 times a second.
#include <benchmark/benchmark.h>

#include "common/number_text.h"

namespace vmd {
namespace {

void BM_FixedPointTextOfRatio(benchmark::State& state) {
  std::int64_t raw = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FixedPointTextOfRatio(raw, 1000, 2, "."));
    raw = (raw + 7919) % 2000000 - 1000000;
  }
}
BENCHMARK(BM_FixedPointTextOfRatio);

void BM_FixedPointTextOfDouble(benchmark::State& state) {
  double value = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FixedPointText(value, 2, "."));
    value += 1.37;
  }
}
BENCHMARK(BM_FixedPointTextOfDouble);

void BM_IntegerText(benchmark::State& state) {
  std::int32_t value = -100;
  for (auto _ : state) {
    benchmark::DoNotOptimize(IntegerText(value));
    value = value == 100 ? -100 : value + 1;
  }
}
BENCHMARK(BM_IntegerText);

}  // namespace
}  // namespace vmd
