// One refresh of the live window (offscreen), with values steady and with every value changing.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/application.h"
#include "app/main.h"
#include "tests/support/recording_device.h"

namespace vmd {
namespace {

std::vector<std::uint8_t> StatusReply(const TDriverStatus& status) {
  std::vector<std::uint8_t> data{CMD_GET_STATUS};
  const auto bytes = EncodeStatus(status);
  data.insert(data.end(), bytes.begin(), bytes.end());
  return data;
}

struct LiveWindow {
  TForm1 form{nullptr};
  testing::RecordingDevice device;
  LiveWindow() {
    form.show();
    form.DisplayData.stop();
    form.Exchange().DeviceConnected = true;
    std::vector<std::uint8_t> info(64, 0);
    info[0] = CMD_GET_INFO;
    const auto limits = EncodeLimits({48000, 100, 1000, 3000});
    std::copy(limits.begin(), limits.end(), info.begin() + 12);
    form.Exchange().HidDataReceived(device, 1, info);
  }
  void Receive(const TDriverStatus& status) {
    form.Exchange().HidDataReceived(device, 1, StatusReply(status));
  }
};

void BM_DisplayTickSteady(benchmark::State& state) {
  LiveWindow window;
  window.Receive({0x0F, 0x18, 0x03, 0, 1650, 2500, 0, 1, 45, -1500, 3000, 24123, -300, 1000});
  window.form.DisplayDataTimer();
  QApplication::processEvents();
  for (auto _ : state) {
    window.form.DisplayDataTimer();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_DisplayTickSteady);

void BM_DisplayTickEveryValueChanging(benchmark::State& state) {
  LiveWindow window;
  std::uint32_t tick = 0;
  for (auto _ : state) {
    ++tick;
    const bool odd = (tick & 1U) != 0;
    window.Receive(
        {static_cast<std::uint8_t>(tick & 0x0F), static_cast<std::uint8_t>(odd ? 0x18 : 0),
         static_cast<std::uint8_t>(tick & 0x3F), 0, static_cast<std::uint16_t>(tick % 3300),
         static_cast<std::uint16_t>(tick % 5000), static_cast<std::uint8_t>(tick % 6),
         static_cast<std::uint8_t>(tick % 4), static_cast<std::uint16_t>(tick % 100),
         static_cast<std::int32_t>(tick % 6000) - 3000, static_cast<std::int32_t>(tick % 3000),
         24000 + tick % 1000, static_cast<std::int16_t>(tick % 2000 - 1000),
         static_cast<std::int16_t>(tick % 1000)});
    window.form.DisplayDataTimer();
    QApplication::processEvents();
  }
}
BENCHMARK(BM_DisplayTickEveryValueChanging);

}  // namespace
}  // namespace vmd

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  vmd::Application application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
