#include "link/hid/main_thread_waker.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vmd {

MainThreadWaker::MainThreadWaker(std::function<void()> onWake, QObject* parent)
    : QObject(parent), onWake_(std::move(onWake)) {
#ifndef Q_OS_WIN
  int fds[2];
  if (::pipe(fds) != 0) return;
  for (const int fd : fds) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  readFd_ = fds[0];
  writeFd_ = fds[1];
  notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
#endif
}

MainThreadWaker::~MainThreadWaker() {
  notifier_.reset();
#ifndef Q_OS_WIN
  if (readFd_ >= 0) ::close(readFd_);
  if (writeFd_ >= 0) ::close(writeFd_);
#endif
}

void MainThreadWaker::Ring() {
#ifndef Q_OS_WIN
  if (writeFd_ >= 0) {
    const char byte = 1;
    // A full pipe already holds a wake-up that has not been handled: nothing is lost.
    [[maybe_unused]] const auto written = ::write(writeFd_, &byte, 1);
    return;
  }
#endif
  QMetaObject::invokeMethod(
      this, [this] { onWake_(); }, Qt::QueuedConnection);
}

void MainThreadWaker::Drain() {
#ifndef Q_OS_WIN
  // Emptied before the work is looked at, so that a ring during the work wakes us again.
  char bytes[64];
  while (::read(readFd_, bytes, sizeof bytes) > 0) {
  }
#endif
  onWake_();
}

}  // namespace vmd
