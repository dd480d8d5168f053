// The panel's content for one status record: all texts, colours and bar positions of one refresh.
#include <benchmark/benchmark.h>

#include "display/status_panel.h"

namespace vmd {
namespace {

void BM_StatusPanelContent(benchmark::State& state) {
  TDriverStatus status{0x0F, 0x18, 0x03, 0, 1650, 2500, 2, 2, 45, -1500, 3000, 24123, -300, 1000};
  const TDriverLimits limits{48000, 100, 1000, 3000};
  for (auto _ : state) {
    benchmark::DoNotOptimize(StatusPanelContent(status, limits, "."));
    status.potentiometer = static_cast<std::uint16_t>((status.potentiometer + 13) % 3301);
  }
}
BENCHMARK(BM_StatusPanelContent);

}  // namespace
}  // namespace vmd
