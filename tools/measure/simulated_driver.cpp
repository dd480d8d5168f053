#include "tools/measure/simulated_driver.h"

#include <pthread.h>

#include <algorithm>

namespace vmd::measure {

std::int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void WriteStamp(std::span<std::uint8_t> report, std::size_t offset, std::int64_t ns) {
  if (report.size() < offset + 8) return;
  const auto value = static_cast<std::uint64_t>(ns);
  for (std::size_t i = 0; i < 8; ++i)
    report[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::int64_t ReadStamp(std::span<const std::uint8_t> report, std::size_t offset) {
  if (report.size() < offset + 8) return 0;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < 8; ++i) value |= std::uint64_t{report[offset + i]} << (8 * i);
  return static_cast<std::int64_t>(value);
}

namespace {

fake::FakeHidDeviceTraits DriverTraits(const sim::SimOptions& options) {
  fake::FakeHidDeviceTraits traits;
  traits.productString = std::u16string(options.name.begin(), options.name.end());
  traits.vendorId = options.vendorId;
  traits.productId = options.productId;
  traits.caps = {1 + options.inputSize, 1 + options.outputSize};
  return traits;
}

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace

SimulatedDriver::SimulatedDriver(std::shared_ptr<fake::FakeHidSystem> system,
                                 sim::SimOptions options, int streamPerSecond)
    : options_(std::move(options)), device_(system->Plug(DriverTraits(options_), false)) {
  device_->SetReplier([this](std::span<const std::uint8_t> written) {
    ++requests_;
    std::vector<fake::Bytes> replies;
    fake::Bytes reply = sim::ReplyTo(options_, written, ElapsedMs(start_));
    if (reply.empty()) return replies;
    WriteStamp(reply, kSentStampOffset, SteadyNowNs());
    ++sent_;
    replies.push_back(std::move(reply));
    return replies;
  });
  if (streamPerSecond > 0)
    stream_ = std::thread([this, streamPerSecond] { Stream(streamPerSecond); });
}

SimulatedDriver::~SimulatedDriver() { StopStream(); }

void SimulatedDriver::StopStream() {
  stop_ = true;
  if (stream_.joinable()) stream_.join();
}

std::vector<std::uint8_t> SimulatedDriver::StatusReport() {
  const std::uint8_t request[] = {HID_OUTPUT_REPORT_ID, CMD_GET_STATUS};
  return sim::ReplyTo(options_, request, ElapsedMs(start_));
}

void SimulatedDriver::Stream(int perSecond) {
  pthread_setname_np(pthread_self(), "sim-stream");  // told apart from the monitor's threads
  const auto period = std::chrono::nanoseconds(1'000'000'000 / perSecond);
  auto next = std::chrono::steady_clock::now();
  while (!stop_) {
    next += period;
    std::this_thread::sleep_until(next);
    fake::Bytes report = StatusReport();
    WriteStamp(report, kSentStampOffset, SteadyNowNs());
    ++sent_;
    device_->SendInput(std::move(report));
  }
}

}  // namespace vmd::measure
