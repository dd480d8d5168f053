#pragma once
// A simulated VMD220 on the in-memory HID system: it answers every request the way the simulator
// program does (sim::ReplyTo), and can in addition stream status reports of its own at a fixed
// rate from a thread. Each report carries, in data bytes the protocol leaves unused, the time it
// was sent, so that the measuring build can tell how long a report took to reach the records.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>

#include "link/hid/fake/fake_hid.h"
#include "sim/sim_device.h"

namespace vmd::measure {

// Where the time stamps sit in an input report (report-ID byte first): nanoseconds of the steady
// clock, little-endian, in the last 16 of the 64 data bytes, which no reply uses.
inline constexpr std::size_t kSentStampOffset = 49;  // data byte 48
inline constexpr std::size_t kReadStampOffset = 57;  // data byte 56
inline constexpr std::size_t kStampedReportLength = 65;

std::int64_t SteadyNowNs();
void WriteStamp(std::span<std::uint8_t> report, std::size_t offset, std::int64_t ns);
std::int64_t ReadStamp(std::span<const std::uint8_t> report, std::size_t offset);

class SimulatedDriver {
 public:
  // Plugs the driver into `system`. `streamPerSecond` > 0 starts a thread that sends that many
  // status reports a second besides the replies.
  SimulatedDriver(std::shared_ptr<fake::FakeHidSystem> system, sim::SimOptions options,
                  int streamPerSecond);
  ~SimulatedDriver();
  SimulatedDriver(const SimulatedDriver&) = delete;
  SimulatedDriver& operator=(const SimulatedDriver&) = delete;

  void StopStream();
  // Reports sent (replies and stream) and reports the program has read from the device.
  std::uint64_t Sent() const { return sent_; }
  std::uint64_t Read() const { return device_->ReportsRead(); }
  std::uint64_t Requests() const { return requests_; }

 private:
  std::vector<std::uint8_t> StatusReport();
  void Stream(int perSecond);

  const sim::SimOptions options_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::shared_ptr<fake::FakeHidDevice> device_;
  std::atomic<std::uint64_t> sent_{0};
  std::atomic<std::uint64_t> requests_{0};
  std::atomic<bool> stop_{false};
  std::thread stream_;
};

}  // namespace vmd::measure
