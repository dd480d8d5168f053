#pragma once
// Running the Qt event loop in tests until something has happened.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <chrono>
#include <functional>
#include <thread>

namespace vmd::testing {

// Processes events until `done` holds; false when it still does not after `timeoutMs`.
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Processes the events posted so far and those they post in turn.
inline void ProcessPosted() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

}  // namespace vmd::testing
