#pragma once
// Helpers of the kernel bench: simulated drivers run as child processes, their logs, their hidraw
// nodes, waiting while the event loop runs, and the record of failed checks.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vmd::bench {

// One line of a vmd220-sim log: "<ms> <event> [hex]".
struct SimLogEntry {
  std::int64_t ms = 0;
  std::string event;
  std::string hex;
};

// A vmd220-sim child process and the device it creates.
class SimProcess {
 public:
  // `tag` names the log file and serves as the device's serial number (uniq).
  SimProcess(std::string simPath, std::string workDir, std::string tag,
             std::vector<std::string> args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the process and waits until its device is bound and has a hidraw node.
  bool Start(int timeoutMs = 10000);
  // Ends the process with `signal` (its device is destroyed) and waits for it.
  void Stop(int signal = 15);
  bool Running() const { return pid_ > 0; }

  const std::string& Tag() const { return tag_; }
  std::vector<SimLogEntry> Log() const;
  // The output reports received, in hex, in order; `sinceMs` on the sim's clock.
  std::vector<std::string> OutputReports(std::int64_t sinceMs = 0) const;
  // The sim's clock: milliseconds since it started, as its log counts them.
  std::int64_t NowMs() const;
  // The device's hidraw node ("/dev/hidraw0"), empty when there is none.
  std::string HidrawNode() const;

 private:
  std::string simPath_, logPath_, tag_;
  std::vector<std::string> args_;
  pid_t pid_ = -1;
  std::int64_t startedAtMs_ = 0;  // monotonic, of this process
};

std::int64_t MonotonicMs();
// Runs the Qt event loop (when there is an application) until `done` or `timeoutMs` passed.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the event loop for `ms`.
void Pump(int ms);

// The failed checks of the scenario that runs.
class Checks {
 public:
  void Expect(bool ok, const std::string& what);
  template <typename A, typename B>
  void ExpectEq(const A& actual, const B& expected, const std::string& what) {
    Expect(actual == expected,
           what + ": got \"" + Text(actual) + "\", want \"" + Text(expected) + "\"");
  }
  const std::vector<std::string>& Failures() const { return failures_; }
  void Clear() { failures_.clear(); }

 private:
  static std::string Text(const std::string& s) { return s; }
  static std::string Text(const char* s) { return s; }
  static std::string Text(const std::vector<std::string>& list) {
    std::string text;
    for (const auto& item : list) text += (text.empty() ? "" : "|") + item;
    return text;
  }
  template <typename T>
  static std::string Text(const T& value) {
    return std::to_string(value);
  }
  std::vector<std::string> failures_;
};

}  // namespace vmd::bench
