// vmd220-sim: a virtual VMD220 made through /dev/uhid. The replies come from sim_device; this file
// only moves bytes between the kernel and it, and logs what it received.
//
// Log, one line per event: "<ms since start> <event> [hex bytes]", events "created", "start",
// "open", "close", "stop", "out" (an output report received, report ID included), "in" (a reply
// sent), "destroyed", "error". Output reports are logged exactly as long as they arrived.

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_device.h"

namespace {

using Clock = std::chrono::steady_clock;

struct PendingReply {
  Clock::time_point due;
  std::vector<std::uint8_t> report;
};

class Sim {
 public:
  Sim(vmd::sim::SimOptions options, std::FILE* log)
      : options_(std::move(options)), log_(log), start_(Clock::now()) {}

  std::int64_t ElapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
  }

  void Log(std::string_view event, std::string_view detail = {}) {
    std::string line = std::to_string(ElapsedMs()) + " " + std::string(event);
    if (!detail.empty()) line += " " + std::string(detail);
    line += "\n";
    std::fputs(line.c_str(), log_);
    std::fflush(log_);
  }

  bool Create(int fd) {
    uhid_event ev{};
    ev.type = UHID_CREATE2;
    auto& c = ev.u.create2;
    std::snprintf(reinterpret_cast<char*>(c.name), sizeof c.name, "%s", options_.name.c_str());
    std::snprintf(reinterpret_cast<char*>(c.phys), sizeof c.phys, "vmd220-sim");
    std::snprintf(reinterpret_cast<char*>(c.uniq), sizeof c.uniq, "%s", options_.uniq.c_str());
    const auto descriptor = vmd::sim::ReportDescriptor(options_.inputSize, options_.outputSize);
    std::memcpy(c.rd_data, descriptor.data(), descriptor.size());
    c.rd_size = static_cast<std::uint16_t>(descriptor.size());
    c.bus = 0x03;  // BUS_USB
    c.vendor = options_.vendorId;
    c.product = options_.productId;
    c.version = 0x0100;
    if (!Send(fd, ev)) return false;
    Log("created", options_.name);
    return true;
  }

  // Handles one event from the kernel.
  void Receive(int fd, const uhid_event& ev) {
    switch (ev.type) {
      case UHID_START:
        Log("start");
        break;
      case UHID_STOP:
        Log("stop");
        break;
      case UHID_OPEN:
        Log("open");
        break;
      case UHID_CLOSE:
        Log("close");
        break;
      case UHID_OUTPUT: {
        const std::size_t size = std::min<std::size_t>(ev.u.output.size, UHID_DATA_MAX);
        const std::span<const std::uint8_t> report(ev.u.output.data, size);
        Log("out", vmd::sim::HexText(report));
        auto reply = vmd::sim::ReplyTo(options_, report, ElapsedMs());
        if (!reply.empty())
          pending_.push_back(
              {Clock::now() + std::chrono::milliseconds(options_.replyDelayMs), std::move(reply)});
        break;
      }
      case UHID_GET_REPORT: {
        Log("get-report");
        uhid_event answer{};
        answer.type = UHID_GET_REPORT_REPLY;
        answer.u.get_report_reply.id = ev.u.get_report.id;
        answer.u.get_report_reply.err = EIO;
        Send(fd, answer);
        break;
      }
      case UHID_SET_REPORT: {
        const std::size_t size = std::min<std::size_t>(ev.u.set_report.size, UHID_DATA_MAX);
        Log("set-report", vmd::sim::HexText({ev.u.set_report.data, size}));
        uhid_event answer{};
        answer.type = UHID_SET_REPORT_REPLY;
        answer.u.set_report_reply.id = ev.u.set_report.id;
        answer.u.set_report_reply.err = EIO;
        Send(fd, answer);
        break;
      }
      default:
        break;
    }
  }

  // Sends the replies that are due; returns the poll time-out until the next one (-1: none).
  int SendDue(int fd) {
    const auto now = Clock::now();
    while (!pending_.empty() && pending_.front().due <= now) {
      uhid_event ev{};
      ev.type = UHID_INPUT2;
      const auto& report = pending_.front().report;
      ev.u.input2.size = static_cast<std::uint16_t>(report.size());
      std::memcpy(ev.u.input2.data, report.data(), report.size());
      if (Send(fd, ev)) Log("in", vmd::sim::HexText(report));
      pending_.pop_front();
    }
    if (pending_.empty()) return -1;
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(pending_.front().due - now).count();
    return static_cast<int>(std::max<std::int64_t>(wait, 0) + 1);
  }

  void Destroy(int fd) {
    uhid_event ev{};
    ev.type = UHID_DESTROY;
    Send(fd, ev);
    Log("destroyed");
  }

 private:
  bool Send(int fd, const uhid_event& ev) {
    const ssize_t n = write(fd, &ev, sizeof ev);
    if (n == static_cast<ssize_t>(sizeof ev)) return true;
    Log("error", n < 0 ? std::strerror(errno) : "short write to /dev/uhid");
    return false;
  }

  vmd::sim::SimOptions options_;
  std::FILE* log_;
  Clock::time_point start_;
  std::deque<PendingReply> pending_;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  std::string error;
  auto options = vmd::sim::ParseOptions(args, error);
  if (!options) {
    const bool help = error.starts_with("help");
    std::fprintf(help ? stdout : stderr, "%s%s%s",
                 help ? "" : "vmd220-sim: ", help ? "" : (error + "\n").c_str(),
                 vmd::sim::UsageText().c_str());
    return help ? 0 : 2;
  }
  if (options->uniq.empty()) options->uniq = "vmd220-sim-" + std::to_string(getpid());

  std::FILE* log = stdout;
  if (!options->logPath.empty()) {
    log = std::fopen(options->logPath.c_str(), "a");
    if (log == nullptr) {
      std::fprintf(stderr, "vmd220-sim: %s: %s\n", options->logPath.c_str(), std::strerror(errno));
      return 1;
    }
  }

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int sigfd = signalfd(-1, &signals, SFD_CLOEXEC);

  const int fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "vmd220-sim: /dev/uhid: %s\n", std::strerror(errno));
    return 1;
  }
  Sim sim(*options, log);
  if (!sim.Create(fd)) return 1;

  int timeout = -1;
  while (true) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {sigfd, POLLIN, 0}};
    const int ready = poll(fds, 2, timeout);
    if (ready < 0 && errno != EINTR) break;
    if (fds[1].revents != 0) break;
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
    if ((fds[0].revents & POLLIN) != 0) {
      uhid_event ev{};
      const ssize_t n = read(fd, &ev, sizeof ev);
      if (n < 0 && errno != EINTR && errno != EAGAIN) break;
      if (n > 0) sim.Receive(fd, ev);
    }
    timeout = sim.SendDue(fd);
  }
  sim.Destroy(fd);
  close(fd);
  return 0;
}
