// Decoding the driver's replies, as the data handler does for every report.
#include <benchmark/benchmark.h>

#include <vector>

#include "protocol/driver_protocol.h"

namespace vmd {
namespace {

std::vector<std::uint8_t> InfoData() {
  std::vector<std::uint8_t> data(64, 0);
  data[0] = CMD_GET_INFO;
  data[1] = 101;
  const char text[] = "FW 2.3";
  std::copy(text, text + sizeof text - 1, data.begin() + 2);
  data[11] = 0x96;
  const auto limits = EncodeLimits({48000, 100, 1000, 3000});
  std::copy(limits.begin(), limits.end(), data.begin() + 12);
  return data;
}

std::vector<std::uint8_t> StatusData() {
  std::vector<std::uint8_t> data{CMD_GET_STATUS};
  const auto status =
      EncodeStatus({0x0F, 0x18, 0x3F, 0, 1650, 2500, 0, 1, 45, -1500, 3000, 24123, -300, 1000});
  data.insert(data.end(), status.begin(), status.end());
  data.resize(64, 0);
  return data;
}

void BM_DecodeInfoReply(benchmark::State& state) {
  const auto data = InfoData();
  for (auto _ : state) benchmark::DoNotOptimize(DecodeInfoReply(data));
}
BENCHMARK(BM_DecodeInfoReply);

void BM_DecodeStatusReply(benchmark::State& state) {
  const auto data = StatusData();
  for (auto _ : state) benchmark::DoNotOptimize(DecodeStatusReply(data));
}
BENCHMARK(BM_DecodeStatusReply);

void BM_EncodeCommand(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(EncodeCommand(CMD_GET_STATUS, 65));
}
BENCHMARK(BM_EncodeCommand);

}  // namespace
}  // namespace vmd
