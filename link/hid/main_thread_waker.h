#pragma once
// Wakes the main thread from any thread. Ring() never blocks and carries no data; the data itself
// travels under the caller's own lock. On POSIX systems the wake-up is a byte in a pipe watched by
// a socket notifier, which the thread sanitizer sees as synchronisation (Qt's cross-thread event
// posting is invisible to it); elsewhere, or without a pipe, it is a queued call.

#include <QObject>
#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace vmd {

class MainThreadWaker : public QObject {
 public:
  // `onWake` runs on the thread that makes the waker, from its event loop, at least once after
  // every Ring(); several rings may come as one call.
  explicit MainThreadWaker(std::function<void()> onWake, QObject* parent = nullptr);
  ~MainThreadWaker() override;
  MainThreadWaker(const MainThreadWaker&) = delete;
  MainThreadWaker& operator=(const MainThreadWaker&) = delete;

  // Any thread.
  void Ring();

 private:
  void Drain();

  std::function<void()> onWake_;
  int readFd_ = -1;
  int writeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vmd
