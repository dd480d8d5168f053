#include "link/hid/hid_read_thread.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace vmd {

// Shared by a read thread and the main thread. `buffer` is written by the thread only while no
// report is pending and read by the main thread only while one is; `pending` passes it over.
struct HidReadState {
  std::mutex mutex;
  std::condition_variable handed;
  bool stopRequested = false;  // set by the main thread
  bool stopped = false;        // the thread has been joined; nothing more is delivered
  bool pending = false;        // a report waits in `buffer`
  bool delivering = false;     // main thread: the handler is running for the pending report
  std::size_t pendingLength = 0;
  std::vector<std::uint8_t> buffer;
  HidReadThread::Deliver deliver;

  // Main thread: delivers the pending report, if any and not being delivered already.
  void DeliverPending(bool requireRunning) {
    {
      std::lock_guard lock(mutex);
      if (!pending || delivering || (requireRunning && stopped)) return;
      delivering = true;
    }
    struct Done {
      HidReadState& state;
      ~Done() {
        {
          std::lock_guard lock(state.mutex);
          state.pending = false;
          state.delivering = false;
        }
        state.handed.notify_all();
      }
    } done{*this};
    const HidReadThread::Deliver handler =
        deliver;  // the handler may replace what `deliver` refers to
    handler(std::span<const std::uint8_t>(buffer.data(), pendingLength));
  }
};

HidReportHandoff::HidReportHandoff() : waker_([this] { DeliverReady(); }) {}

HidReportHandoff::~HidReportHandoff() = default;

void HidReportHandoff::Ring() { waker_.Ring(); }

void HidReportHandoff::Register(std::shared_ptr<HidReadState> state) {
  states_.push_back(std::move(state));
}

void HidReportHandoff::Unregister(const HidReadState* state) {
  std::erase_if(states_, [state](const auto& s) { return s.get() == state; });
}

void HidReportHandoff::DeliverReady() {
  // Handlers may stop threads (and so unregister them) while we go through the list.
  const auto states = states_;
  for (const auto& state : states) state->DeliverPending(/*requireRunning=*/true);
}

namespace {

void ReadLoop(HidConnection& connection, HidReadState& state, HidReportHandoff& handoff) {
  for (;;) {
    {
      std::lock_guard lock(state.mutex);
      if (state.stopRequested) return;
    }
    // No report is pending here, so the buffer is ours.
    const int count = connection.Read(state.buffer, HidReadThread::kReadTimeoutMs);
    if (count < 0) return;  // the device cannot be read any more: end instead of spinning
    if (count == 0) continue;
    std::unique_lock lock(state.mutex);
    state.pendingLength = std::min(static_cast<std::size_t>(count), state.buffer.size());
    state.pending = true;
    if (state.stopRequested) return;  // Stop hands it over
    handoff.Ring();
    state.handed.wait(lock, [&state] { return !state.pending || state.stopRequested; });
    if (state.stopRequested) return;
  }
}

}  // namespace

HidReadThread::HidReadThread(HidConnection& connection, std::size_t reportLength,
                             HidReportHandoff& handoff, Deliver deliver)
    : state_(std::make_shared<HidReadState>()), handoff_(handoff) {
  state_->buffer.assign(reportLength, 0);
  state_->deliver = std::move(deliver);
  handoff_.Register(state_);
  thread_ = std::thread(ReadLoop, std::ref(connection), std::ref(*state_), std::ref(handoff));
}

HidReadThread::~HidReadThread() { Stop(/*deliverPending=*/false); }

void HidReadThread::Stop(bool deliverPending) {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopRequested = true;
  }
  state_->handed.notify_all();
  thread_.join();
  handoff_.Unregister(state_.get());
  const auto state = state_;  // stays alive even if the handler destroys this object
  if (deliverPending) state->DeliverPending(/*requireRunning=*/false);
  std::lock_guard lock(state->mutex);
  state->stopped = true;
  if (!state->delivering) state->pending = false;
}

}  // namespace vmd
