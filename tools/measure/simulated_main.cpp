// vmd220-pc-simulated: the monitor's window, unchanged, connected to a simulated VMD220 on the
// in-memory HID system instead of a USB device. A demo for a machine without the driver, and the
// program that tools/measure/measure-monitor.sh measures.
//
//   vmd220-pc-simulated [--values steady|changing] [--stream N] [--seconds S --warmup W]
//                       [--stats FILE]
//
// --values  steady: the driver reports one fixed status; changing (default): every value sweeps.
// --stream  the driver also sends N status reports a second of its own (besides its replies).
// --seconds quit after S seconds; --warmup: measure from W seconds on.
// --stats   write the measurements to FILE at the end (key=value lines).
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/program.h"
#include "link/hid/fake/fake_hid.h"
#include "link/hid/hid_device_controller.h"
#include "tools/measure/measuring.h"
#include "tools/measure/simulated_driver.h"

namespace {

using namespace vmd;

struct Options {
  bool changing = true;
  int stream = 0;
  double seconds = 0;
  double warmup = 0;
  std::string stats;
};

[[noreturn]] void Usage(const char* problem) {
  std::fprintf(stderr,
               "vmd220-pc-simulated: %s\nusage: vmd220-pc-simulated [--values steady|changing] "
               "[--stream N] [--seconds S] [--warmup W] [--stats FILE]\n",
               problem);
  std::exit(2);
}

// Takes our options out of argv; the rest goes to the application (Qt's own options).
Options ParseOptions(int& argc, char** argv) {
  Options options;
  std::vector<char*> rest{argv[0]};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(("missing value for " + arg).c_str());
      return argv[++i];
    };
    if (arg == "--values") {
      const std::string v = value();
      if (v != "steady" && v != "changing") Usage("--values is steady or changing");
      options.changing = v == "changing";
    } else if (arg == "--stream") {
      options.stream = std::atoi(value().c_str());
    } else if (arg == "--seconds") {
      options.seconds = std::atof(value().c_str());
    } else if (arg == "--warmup") {
      options.warmup = std::atof(value().c_str());
    } else if (arg == "--stats") {
      options.stats = value();
    } else if (arg == "-h" || arg == "--help") {
      Usage("the monitor with a simulated driver");
    } else {
      rest.push_back(argv[i]);
    }
  }
  argc = static_cast<int>(rest.size());
  std::copy(rest.begin(), rest.end(), argv);
  argv[argc] = nullptr;
  return options;
}

sim::SimOptions DriverOptions(bool changing) {
  sim::SimOptions options;
  options.infoText = "SIM";
  options.scenario = changing ? sim::Scenario::Sweep : sim::Scenario::Fixed;
  // The fixed status: a driver running at a steady load.
  options.status = {0x03, 0x00, 0x05, 0, 1650, 2500, 0, 1, 41, 1200, 3000, 24100, 400, 800};
  return options;
}

double Percentile(std::vector<std::int64_t> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return static_cast<double>(values[std::min(index, values.size() - 1)]);
}

// Everything measured in one run, owned by the main thread.
struct Measurement {
  measure::HandoffLog handoff;
  measure::PaintCounter* paints = nullptr;  // owned by the application
  std::chrono::steady_clock::time_point windowStart;
  std::uint64_t backlogMax = 0;
  std::uint64_t sentAtStart = 0;
  std::uint64_t requestsAtStart = 0;
};

void WriteStats(const Options& options, const Measurement& m, measure::SimulatedDriver& driver,
                double windowSeconds) {
  std::ofstream out(options.stats);
  const auto& c = m.paints->counts;
  const auto us = [](double ns) { return ns / 1000.0; };
  out << "values=" << (options.changing ? "changing" : "steady") << "\n";
  out << "stream_per_s=" << options.stream << "\n";
  out << "window_s=" << windowSeconds << "\n";
  out << "first_paint_unix_ns=" << m.paints->firstPaintUnixNs << "\n";
  out << "first_frame_unix_ns=" << m.paints->firstFrameUnixNs << "\n";
  out << "paints_controls=" << c.controls << "\n";
  out << "paints_unchanged_controls=" << c.unchangedControls << "\n";
  out << "paints_containers=" << c.containers << "\n";
  std::string per;
  for (const auto& [name, count] : c.perControl) per += name + ":" + std::to_string(count) + " ";
  out << "paints_per_control=" << per << "\n";
  std::string unchanged;
  for (const auto& [name, count] : c.unchangedPerControl)
    unchanged += name + ":" + std::to_string(count) + " ";
  out << "paints_unchanged_per_control=" << unchanged << "\n";
  out << "requests=" << driver.Requests() - m.requestsAtStart << "\n";
  out << "reports_sent=" << driver.Sent() - m.sentAtStart << "\n";
  out << "status_reports_handled=" << m.handoff.readToRecord.size() << "\n";
  out << "handoff_median_us=" << us(Percentile(m.handoff.readToRecord, 0.5)) << "\n";
  out << "handoff_p99_us=" << us(Percentile(m.handoff.readToRecord, 0.99)) << "\n";
  out << "handoff_max_us=" << us(Percentile(m.handoff.readToRecord, 1.0)) << "\n";
  out << "sent_to_record_median_us=" << us(Percentile(m.handoff.sentToRecord, 0.5)) << "\n";
  out << "sent_to_record_p99_us=" << us(Percentile(m.handoff.sentToRecord, 0.99)) << "\n";
  out << "sent_to_record_max_us=" << us(Percentile(m.handoff.sentToRecord, 1.0)) << "\n";
  out << "backlog_max=" << m.backlogMax << "\n";
  out << "backlog_end=" << driver.Sent() - driver.Read() << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  auto system = std::make_shared<fake::FakeHidSystem>();
  measure::SimulatedDriver driver(system, DriverOptions(options.changing), options.stream);
  Measurement m;

  const int result = RunProgram(argc, argv, [&]() -> std::unique_ptr<HidController> {
    // The application exists here, the window not yet.
    auto backend = measure::CreateStampingBackend(fake::CreateFakeHidBackend(system));
    auto controller = measure::CreateTimingController(
        std::make_unique<HidDeviceController>(std::move(backend)), m.handoff);
    if (options.stats.empty() && options.seconds <= 0) return controller;

    m.paints = new measure::PaintCounter(qApp);
    qApp->installEventFilter(m.paints);
    const auto startWindow = [&] {
      m.windowStart = std::chrono::steady_clock::now();
      m.sentAtStart = driver.Sent();
      m.requestsAtStart = driver.Requests();
      m.paints->counting = true;
      m.handoff.collecting = true;
    };
    if (options.warmup > 0)
      QTimer::singleShot(static_cast<int>(options.warmup * 1000), Qt::PreciseTimer, qApp,
                         startWindow);
    else
      startWindow();
    // The backlog is sampled only when the driver streams: the timer costs CPU of its own.
    auto* backlog = new QTimer(qApp);
    QObject::connect(backlog, &QTimer::timeout, [&] {
      if (!m.handoff.collecting) return;
      const std::uint64_t sent = driver.Sent();
      const std::uint64_t read = driver.Read();
      m.backlogMax = std::max(m.backlogMax, sent > read ? sent - read : 0);
    });
    if (options.stream > 0) backlog->start(10);
    if (options.seconds > 0) {
      QTimer::singleShot(static_cast<int>(options.seconds * 1000), Qt::PreciseTimer, qApp, [&] {
        const double window =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m.windowStart).count();
        if (!options.stats.empty()) WriteStats(options, m, driver, window);
        QApplication::quit();
      });
    }
    return controller;
  });
  driver.StopStream();
  return result;
}
