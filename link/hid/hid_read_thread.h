#pragma once
// The per-device read thread: reads input reports and hands each one to the main thread, waiting
// until it has been handled before reading on, so the report buffer needs no copy and the handler
// no lock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "link/hid/hid_backend.h"
#include "link/hid/main_thread_waker.h"

namespace vmd {

struct HidReadState;

// Lives on the main thread and delivers the reports that read threads have ready. Read threads
// wake it without data; the reports travel under each thread's own lock. Must outlive every
// HidReadThread that uses it.
class HidReportHandoff {
 public:
  HidReportHandoff();
  ~HidReportHandoff();
  HidReportHandoff(const HidReportHandoff&) = delete;
  HidReportHandoff& operator=(const HidReportHandoff&) = delete;

  // Any thread: asks the main thread to deliver what is ready.
  void Ring();

  // Main thread, for HidReadThread.
  void Register(std::shared_ptr<HidReadState> state);
  void Unregister(const HidReadState* state);

 private:
  void DeliverReady();
  std::vector<std::shared_ptr<HidReadState>> states_;
  MainThreadWaker waker_;
};

class HidReadThread {
 public:
  using Deliver = std::function<void(std::span<const std::uint8_t> report)>;

  // Starts reading reports of `reportLength` bytes from `connection`, which must outlive the
  // thread (until Stop or destruction). `deliver` runs on the main thread, one report at a time.
  HidReadThread(HidConnection& connection, std::size_t reportLength, HidReportHandoff& handoff,
                Deliver deliver);
  // Stops without delivering a report still waiting.
  ~HidReadThread();
  HidReadThread(const HidReadThread&) = delete;
  HidReadThread& operator=(const HidReadThread&) = delete;

  // Main thread: ends reading and waits for the thread. A report it had already read is delivered
  // first, nested in this call, when `deliverPending` (and unless it is being delivered right now).
  // Safe to call again, also from inside `deliver`.
  void Stop(bool deliverPending = true);

  // Read timeout, so that a thread blocked in a read notices a stop request in time.
  static constexpr int kReadTimeoutMs = 50;

 private:
  std::shared_ptr<HidReadState> state_;
  HidReportHandoff& handoff_;
  std::thread thread_;
};

}  // namespace vmd
