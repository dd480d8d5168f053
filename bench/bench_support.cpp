#include "bench/bench_support.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vmd::bench {
namespace fs = std::filesystem;

std::int64_t MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return std::int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const std::int64_t end = MonotonicMs() + timeoutMs;
  while (true) {
    if (done()) return true;
    if (MonotonicMs() >= end) return false;
    if (QCoreApplication::instance() != nullptr)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(2);
  }
}

void Pump(int ms) {
  WaitUntil([] { return false; }, ms);
}

SimProcess::SimProcess(std::string simPath, std::string workDir, std::string tag,
                       std::vector<std::string> args)
    : simPath_(std::move(simPath)),
      logPath_(workDir + "/" + tag + ".log"),
      tag_(std::move(tag)),
      args_(std::move(args)) {}

SimProcess::~SimProcess() { Stop(); }

bool SimProcess::Start(int timeoutMs) {
  std::error_code ignored;
  fs::remove(logPath_, ignored);
  std::vector<std::string> argv = {simPath_, "--log", logPath_, "--uniq", tag_};
  argv.insert(argv.end(), args_.begin(), args_.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  startedAtMs_ = MonotonicMs();
  pid_ = fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  return WaitUntil(
             [this] {
               if (!HidrawNode().empty()) return true;
               int status = 0;
               if (waitpid(pid_, &status, WNOHANG) == pid_) pid_ = -1;  // died early
               return pid_ < 0;
             },
             timeoutMs) &&
         pid_ > 0;
}

void SimProcess::Stop(int signal) {
  if (pid_ <= 0) return;
  kill(pid_, signal);
  int status = 0;
  const std::int64_t end = MonotonicMs() + 5000;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (MonotonicMs() > end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    usleep(2000);
  }
  pid_ = -1;
}

std::vector<SimLogEntry> SimProcess::Log() const {
  std::vector<SimLogEntry> entries;
  std::ifstream in(logPath_);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    SimLogEntry entry;
    if (!(words >> entry.ms >> entry.event)) continue;
    words >> entry.hex;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> SimProcess::OutputReports(std::int64_t sinceMs) const {
  std::vector<std::string> reports;
  for (const auto& entry : Log())
    if (entry.event == "out" && entry.ms >= sinceMs) reports.push_back(entry.hex);
  return reports;
}

std::int64_t SimProcess::NowMs() const { return MonotonicMs() - startedAtMs_; }

std::string SimProcess::HidrawNode() const {
  // /sys/class/hidraw/hidrawN/device is the HID device, whose uevent names its uniq.
  std::error_code ec;
  for (const auto& node : fs::directory_iterator("/sys/class/hidraw", ec)) {
    std::ifstream uevent(node.path() / "device" / "uevent");
    std::string line;
    while (std::getline(uevent, line))
      if (line == "HID_UNIQ=" + tag_) return "/dev/" + node.path().filename().string();
  }
  return {};
}

void Checks::Expect(bool ok, const std::string& what) {
  if (!ok) failures_.push_back(what);
}

}  // namespace vmd::bench
