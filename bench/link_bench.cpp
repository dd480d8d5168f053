// vmd-link-bench: runs inside the bench VM (or on any Linux machine with /dev/uhid, as root) and
// checks the device link on the kernel's own HID stack against vmd220-sim instances it starts and
// stops: the records, the indicator text and every report each simulated driver received.
// Prints one line per scenario and exits non-zero when any check failed.
//
//   vmd-link-bench --sim PATH [--ctl PATH] [--work DIR] [--only NAME]...
//                  [--break product-name|unpadded-write]
//
// --ctl names vmd220ctl, which the command-line-companion scenario runs; without it that scenario
// fails.

#include <fcntl.h>
#include <grp.h>
#include <hidapi/hidapi.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/main.h"
#include "bench/bench_support.h"
#include "bench/link_harness.h"
#include "display/status_panel.h"
#include "link/hid/system_hid.h"
#include "protocol/driver_protocol.h"
#include "sim/sim_device.h"

namespace vmd::bench {
namespace {

constexpr int kConnectMs = 15000;  // generous: the VM runs under software emulation

struct Settings {
  std::string self;
  std::string simPath;
  std::string ctlPath;  // vmd220ctl, for the command-line-companion scenario
  std::string workDir = "/tmp/vmd-link-bench";
  std::vector<std::string> only;
  Breakage breakage = Breakage::None;
  bool readOnlyChild = false;
};

std::string Request(std::uint8_t command, std::size_t length = 65) {
  return sim::HexText(EncodeCommand(command, length));
}

// The simulated driver with known, fixed values.
const std::vector<std::string> kFixedDriver = {"--scenario",   "fixed",
                                               "--version",    "101",
                                               "--hw-version", "150",
                                               "--info",       "SIM",
                                               "--limits",     "48000,100,1000,5000",
                                               "--set",        "potentiometer=1650",
                                               "--set",        "supplyVoltage=24123",
                                               "--set",        "currentAct=-1500",
                                               "--set",        "driverState=1",
                                               "--set",        "switches=3",
                                               "--set",        "inputs=5"};
const std::string kConnectedText = "Connected to VMD220 ver.: 1.01   SIM";
constexpr TDriverLimits kFixedLimits{48000, 100, 1000, 5000};  // as --limits gives them

TDriverStatus FixedStatus() {
  TDriverStatus s{};
  s.potentiometer = 1650;
  s.supplyVoltage = 24123;
  s.currentAct = -1500;
  s.driverState = 1;
  s.switches = 3;
  s.inputs = 5;
  return s;
}

// Texts of the panel for FixedStatus() against the fixed driver's limits, as the window shows
// them (numbers with ".") and the command-line companion prints them, by the window's control
// names.
const std::pair<const char*, const char*> kFixedPanelTexts[] = {
    {"LabVal_PowerSupply", "24 V "},
    {"LabVal_Temperature", "0 C"},
    {"LabVal_Potentiometer", "50.0 % "},
    {"LabVal_CurAct", "-1.50 A "},
    {"LabVal_CurLim", "0.00 A "},
    {"Label_DriverStatus", "Run"},
    {"SW1", "ON"},
    {"SW2", "ON"},
    {"SW3", "OFF"},
    {"IN1", "ON"},
    {"IN2", "OFF"},
    {"IN3", "ON"},
    {"Lab_WorkMode",
     "Speed set by potentiometer (50.0 % )   Current limit set by 0-10V input (0.00 A )"},
};

// The text of the window's label or edit box named `name`.
std::string ControlText(const QWidget& form, const char* name) {
  if (const auto* label = form.findChild<QLabel*>(name)) return label->text().toStdString();
  if (const auto* edit = form.findChild<QLineEdit*>(name)) return edit->text().toStdString();
  return std::string("(no label or edit box ") + name + ")";
}

std::vector<std::string> With(std::vector<std::string> args, std::vector<std::string> more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::size_t Count(const std::vector<std::string>& reports, const std::string& report) {
  return static_cast<std::size_t>(std::count(reports.begin(), reports.end(), report));
}

class Bench {
 public:
  explicit Bench(Settings given) : settings(std::move(given)) {}

  std::unique_ptr<SimProcess> Sim(const std::string& tag, std::vector<std::string> args = {}) {
    return std::make_unique<SimProcess>(settings.simPath, settings.workDir, tag, std::move(args));
  }
  std::unique_ptr<SimProcess> StartSim(const std::string& tag, std::vector<std::string> args) {
    auto sim = Sim(tag, std::move(args));
    checks.Expect(sim->Start(), tag + ": vmd220-sim did not come up with a hidraw node");
    return sim;
  }
  std::unique_ptr<Link> NewLink() { return std::make_unique<Link>(settings.breakage); }

  bool WaitText(Link& link, const std::string& text, int ms = kConnectMs) {
    const bool ok = WaitUntil([&] { return link.view.connectionText == text; }, ms);
    checks.Expect(ok, "indicator never showed \"" + text + "\"; it shows \"" +
                          link.view.connectionText + "\"");
    return ok;
  }
  // Every report `sim` received is a request of the program, framed at `length` bytes.
  void ExpectOnlyRequests(const SimProcess& sim, std::size_t length = 65) {
    for (const auto& report : sim.OutputReports()) {
      if (report == Request(CMD_GET_INFO, length) || report == Request(CMD_GET_STATUS, length))
        continue;
      checks.Expect(false, sim.Tag() + " received an unexpected report " + report);
      return;
    }
  }

  Settings settings;
  Checks checks;
};

// The kernel stack alone, through hidapi: the simulated driver is listed under its name, takes a
// padded request and its reply comes back whole.
void KernelRoundTrip(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("round-trip", {"--scenario", "fixed", "--set", "potentiometer=1650"});
  std::string path;
  hid_device_info* list = hid_enumerate(0, 0);
  for (auto* d = list; d != nullptr; d = d->next) {
    const std::wstring product = d->product_string ? d->product_string : L"";
    const std::wstring serial = d->serial_number ? d->serial_number : L"";
    if (product == L"VMD220" && serial == L"round-trip") path = d->path;
  }
  hid_free_enumeration(list);
  c.ExpectEq(path, sim->HidrawNode(), "hidapi lists the device by product string at its node");
  if (path.empty()) return;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return c.Expect(false, "hid_open_path failed");
  const auto request = EncodeCommand(CMD_GET_STATUS, 65);
  c.ExpectEq(hid_write(device, request.data(), request.size()), 65, "bytes written");
  std::vector<std::uint8_t> reply(65, 0);
  const int n = hid_read_timeout(device, reply.data(), reply.size(), 5000);
  c.ExpectEq(n, 65, "bytes of the reply");
  reply.resize(static_cast<std::size_t>(std::max(n, 0)));
  const auto status = reply.size() > 1 ? DecodeStatusReply(std::span(reply).subspan(1))
                                       : std::optional<TDriverStatus>{};
  c.Expect(status.has_value() && status->potentiometer == 1650, "status reply decoded");
  c.ExpectEq(sim->OutputReports(), std::vector<std::string>{sim::HexText(request)},
             "reports the device received");
  hid_close(device);
}

void ExpectIdentified(Bench& b, Link& link) {
  auto& c = b.checks;
  c.ExpectEq(link.records.info.infoText, "SIM", "info text");
  c.Expect(link.records.info.deviceVersion == 1.01f, "device version 1.01");
  c.ExpectEq(link.view.hardwareVersion, "-1.06", "hardware version text");
  c.Expect(link.records.limits == kFixedLimits, "limits record");
}

// Found by its product string and identified.
void AttachAndIdentify(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("driver", kFixedDriver);
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  ExpectIdentified(b, *link);
  c.ExpectEq(link->view.deviceList, std::vector<std::string>{"VMD220"}, "device list");
  std::vector<std::string> texts;
  for (const auto& [ms, text] : link->view.log) texts.push_back(text);
  c.ExpectEq(texts, std::vector<std::string>{"Disconnected", "Connected", kConnectedText},
             "indicator sequence");
  c.Expect(link->exchange.DeviceConnected, "DeviceConnected");
  c.Expect(WaitUntil([&] { return !sim->OutputReports().empty(); }, 2000), "a report arrived");
  const auto reports = sim->OutputReports();
  c.Expect(!reports.empty() && reports.front() == Request(CMD_GET_INFO),
           "first report is the padded info request 010a00...");
  c.ExpectEq(Count(reports, Request(CMD_GET_INFO)), 1u, "info requests");
  b.ExpectOnlyRequests(*sim);
}

// Status polled every 40 ms; each reply lands in the status record.
void StatusPolling(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("driver", kFixedDriver);
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  c.Expect(link->view.Polling(), "polling on after the info reply");
  Pump(2600);
  c.Expect(link->records.status == FixedStatus(), "status record holds the driver's status");
  std::vector<std::int64_t> times;
  for (const auto& e : sim->Log())
    if (e.event == "out" && e.hex == Request(CMD_GET_STATUS)) times.push_back(e.ms);
  if (times.empty()) return c.Expect(false, "no status request arrived");
  const std::int64_t last = times.back();
  const auto inWindow =
      std::count_if(times.begin(), times.end(), [&](std::int64_t t) { return t > last - 2000; });
  std::printf("    status requests in the last 2 s: %ld (40 ms period: 50)\n",
              static_cast<long>(inWindow));
  c.Expect(inWindow >= 40 && inWindow <= 56,
           "status requests in 2 s: " + std::to_string(inWindow) + ", want 40...56");
  b.ExpectOnlyRequests(*sim);
  // Every write the link made reached the device whole and in order.
  std::vector<std::string> written;
  for (const auto& w : link->controller->writes) written.push_back(w.hex);
  const auto received = sim->OutputReports();
  c.Expect(received.size() >= written.size() - 1 && received.size() <= written.size() &&
               std::equal(received.begin(), received.end(), written.begin()),
           "the device received exactly what the link wrote");
  // Drawn from the records: a moving driver moves the record.
  auto sweep = b.StartSim("sweep", {"--scenario", "sweep"});
  sim->Stop();
  if (!b.WaitText(*link, "Connected to VMD220 ver.: 1.01   SIM")) return;
  c.Expect(WaitUntil([&] { return link->records.status.potentiometer != 1650; }, 3000),
           "status record follows a moving driver");
  const auto first = link->records.status.potentiometer;
  c.Expect(WaitUntil([&] { return link->records.status.potentiometer != first; }, 3000),
           "potentiometer sweeps");
}

// Unplugged while polling: requests stop, "No connection", the records keep their values.
void UnplugWhilePolling(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("driver", kFixedDriver);
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  Pump(500);
  sim->Stop();
  if (!b.WaitText(*link, "No connection")) return;
  c.Expect(!link->view.Polling(), "polling stopped");
  c.Expect(!link->exchange.DeviceConnected, "DeviceConnected false");
  c.ExpectEq(link->view.deviceList, std::vector<std::string>{}, "device list");
  const std::size_t writes = link->controller->writes.size();
  Pump(600);
  c.ExpectEq(link->controller->writes.size(), writes, "writes after the driver was gone");
  c.Expect(link->records.status == FixedStatus(), "status record keeps its values");
  ExpectIdentified(b, *link);
  b.ExpectOnlyRequests(*sim);
}

// Replugged: identified again, polling resumes on the new device.
void Replug(Bench& b) {
  auto& c = b.checks;
  auto first = b.StartSim("first", kFixedDriver);
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  first->Stop();
  if (!b.WaitText(*link, "No connection")) return;
  auto second = b.StartSim("second", With(kFixedDriver, {"--info", "AGAIN"}));
  if (!b.WaitText(*link, "Connected to VMD220 ver.: 1.01   AGAIN")) return;
  c.Expect(
      WaitUntil([&] { return Count(second->OutputReports(), Request(CMD_GET_STATUS)) >= 5; }, 3000),
      "status requests go to the replugged driver");
  c.ExpectEq(second->OutputReports().front(), Request(CMD_GET_INFO), "first report after replug");
  b.ExpectOnlyRequests(*first);
  b.ExpectOnlyRequests(*second);
}

// Another HID device plugged and unplugged while the driver is attached: each time the driver is
// attached again and identified again; the other device never gets a report.
void OtherDeviceWhileAttached(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("driver", kFixedDriver);
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  const auto countInfo = [&] { return Count(sim->OutputReports(), Request(CMD_GET_INFO)); };
  auto other = b.StartSim("other", {"--name", "Other HID", "--vid", "1234", "--pid", "ab"});
  c.Expect(WaitUntil([&] { return countInfo() == 2; }, kConnectMs), "info request after plug");
  if (!b.WaitText(*link, kConnectedText)) return;
  c.ExpectEq(link->view.deviceList.size(), 2u, "two devices listed");
  const auto& list = link->view.deviceList;
  c.Expect(std::find(list.begin(), list.end(), "Other HID") != list.end(), "other device listed");
  Pump(300);
  c.Expect(link->view.Polling(), "polling resumed after the new info reply");
  other->Stop();
  c.Expect(WaitUntil([&] { return countInfo() == 3; }, kConnectMs), "info request after unplug");
  if (!b.WaitText(*link, kConnectedText)) return;
  c.ExpectEq(link->view.deviceList, std::vector<std::string>{"VMD220"}, "device list");
  Pump(300);
  c.Expect(link->view.Polling(), "polling on");
  c.ExpectEq(other->OutputReports().size(), 0u, "reports to the other device");
  // The indicator went through "Disconnected" and "Connected" at each change.
  std::size_t disconnected = 0;
  for (const auto& [ms, text] : link->view.log) disconnected += text == "Disconnected";
  c.Expect(disconnected >= 3, "\"Disconnected\" at each enumeration");
  b.ExpectOnlyRequests(*sim);
}

// Two drivers: both are identified, status requests go to the one listed last (the later one).
void TwoDrivers(Bench& b) {
  auto& c = b.checks;
  auto a = b.StartSim("driver-a", With(kFixedDriver, {"--info", "A"}));
  auto link = b.NewLink();
  if (!b.WaitText(*link, "Connected to VMD220 ver.: 1.01   A")) return;
  auto second = b.StartSim("driver-b", With(kFixedDriver, {"--info", "B"}));
  c.Expect(WaitUntil([&] { return Count(second->OutputReports(), Request(CMD_GET_STATUS)) >= 10; },
                     kConnectMs),
           "status requests reach the driver listed last");
  c.ExpectEq(link->view.deviceList, (std::vector<std::string>{"VMD220", "VMD220"}), "list");
  const auto aReports = a->OutputReports();
  c.ExpectEq(Count(aReports, Request(CMD_GET_INFO)), 2u, "info requests to the first driver");
  c.ExpectEq(Count(second->OutputReports(), Request(CMD_GET_INFO)), 1u,
             "info requests to the second driver");
  // After the second driver's attach the first one gets no status request.
  const auto secondInfo = std::find(aReports.rbegin(), aReports.rend(), Request(CMD_GET_INFO));
  c.Expect(secondInfo == aReports.rbegin(), "no status request to the first driver after");
  const std::string text = link->view.connectionText;
  c.Expect(
      text == "Connected to VMD220 ver.: 1.01   A" || text == "Connected to VMD220 ver.: 1.01   B",
      "connection text from one of the drivers: " + text);
  b.ExpectOnlyRequests(*a);
  b.ExpectOnlyRequests(*second);
}

// A driver that never answers: "Connected", no polling, just the one info request.
void NeverAnswers(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("mute", With(kFixedDriver, {"--no-reply"}));
  auto link = b.NewLink();
  if (!b.WaitText(*link, "Connected")) return;
  Pump(1500);
  c.ExpectEq(link->view.connectionText, "Connected", "indicator");
  c.Expect(!link->view.Polling(), "no polling");
  c.ExpectEq(sim->OutputReports(), std::vector<std::string>{Request(CMD_GET_INFO)}, "reports");
  c.Expect(link->records.status == TDriverStatus{}, "status record stays zeroed");
}

// A status reply of an unknown code changes nothing; polling goes on.
void MalformedReply(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("malformed", With(kFixedDriver, {"--status-reply", "malformed"}));
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  c.Expect(
      WaitUntil([&] { return Count(sim->OutputReports(), Request(CMD_GET_STATUS)) >= 10; }, 3000),
      "polling goes on");
  c.Expect(link->records.status == TDriverStatus{}, "status record unchanged");
  c.ExpectEq(link->view.connectionText, kConnectedText, "indicator");
  b.ExpectOnlyRequests(*sim);
}

// A report shorter than the descriptor states is dropped by the kernel: nothing arrives.
void ShortReportDropped(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("short", With(kFixedDriver, {"--info-reply", "short"}));
  auto link = b.NewLink();
  if (!b.WaitText(*link, "Connected")) return;
  Pump(1000);
  c.ExpectEq(link->view.connectionText, "Connected", "indicator");
  c.Expect(!link->view.Polling(), "no polling");
  c.Expect(link->records.info == TDriverInfo{}, "info record unchanged");
}

// A device with 8-byte output and 24-byte input reports: requests are 9 bytes; the info reply
// fits, the status reply is cut and changes nothing.
void ShortReply(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("small", With(kFixedDriver, {"--output-size", "8", "--input-size", "24"}));
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  c.Expect(
      WaitUntil([&] { return Count(sim->OutputReports(), Request(CMD_GET_STATUS, 9)) >= 5; }, 3000),
      "9-byte status requests arrive");
  const auto reports = sim->OutputReports();
  c.Expect(!reports.empty() && reports.front() == Request(CMD_GET_INFO, 9),
           "first report is the 9-byte info request");
  b.ExpectOnlyRequests(*sim, 9);
  c.Expect(link->records.status == TDriverStatus{}, "cut status reply changes nothing");
  ExpectIdentified(b, *link);
}

// The device destroyed while the read thread waits in a read: the link notices the removal, does
// not hang and its read thread does not spin.
void DestroyedWhileReading(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("vanishing", With(kFixedDriver, {"--status-reply", "none"}));
  auto link = b.NewLink();
  if (!b.WaitText(*link, kConnectedText)) return;
  Pump(300);  // the read thread now waits for a reply that never comes
  sim->Stop(9);
  if (!b.WaitText(*link, "No connection")) return;
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  Pump(1000);
  getrusage(RUSAGE_SELF, &after);
  const auto cpuMs = [](const rusage& r) {
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000 +
           (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000;
  };
  // The wait loop itself sleeps most of the time; a spinning read thread would take the CPU.
  const auto used = cpuMs(after) - cpuMs(before);
  std::printf("    CPU in the second after removal: %ld ms\n", static_cast<long>(used));
  c.Expect(used < 600, "CPU time in the second after removal: " + std::to_string(used) + " ms");
  c.Expect(link->records.info.infoText == "SIM", "records kept");
}

// The driver's node readable but not writable for the user: listed, "No connection", no report.
// Runs as a child process with the user "nobody".
void ReadOnlyNodeAsUser(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("read-only", kFixedDriver);
  const std::string node = sim->HidrawNode();
  if (node.empty()) return;
  c.Expect(chmod(node.c_str(), 0644) == 0, "chmod 0644 " + node);
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    execl(b.settings.self.c_str(), b.settings.self.c_str(), "--read-only-child", "--sim",
          b.settings.simPath.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  const bool ended = WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 30000);
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  c.Expect(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0,
           "the link as user nobody saw the driver and left it alone (child status " +
               std::to_string(status) + ")");
  c.ExpectEq(sim->OutputReports().size(), 0u, "reports received");
}

int ReadOnlyChild() {
  Checks c;
  c.Expect(getuid() == 65534, "runs as nobody");
  {
    Link link(Breakage::None);
    c.Expect(WaitUntil([&] { return !link.view.deviceList.empty(); }, kConnectMs),
             "a device change listed the driver");
    Pump(500);
    c.ExpectEq(link.view.deviceList, std::vector<std::string>{"VMD220"}, "device list");
    c.ExpectEq(link.view.connectionText, "No connection", "indicator");
    c.Expect(!link.exchange.DeviceConnected, "DeviceConnected false");
    c.ExpectEq(link.controller->writes.size(), 0u, "writes");
  }
  for (const auto& f : c.Failures()) std::printf("    (as nobody) %s\n", f.c_str());
  return c.Failures().empty() ? 0 : 1;
}

// The bench itself: a link broken on purpose must fail it.
void BrokenLinkIsCaught(Bench& b) {
  struct Control {
    const char* breakage;
    const char* scenario;
  };
  for (const Control control : {Control{"product-name", "attach-and-identify"},
                                Control{"unpadded-write", "attach-and-identify"}}) {
    const std::string out = b.settings.workDir + "/broken-" + control.breakage + ".txt";
    const pid_t child = fork();
    if (child == 0) {
      std::FILE* file = std::freopen(out.c_str(), "w", stdout);
      if (file == nullptr) _exit(126);
      execl(b.settings.self.c_str(), b.settings.self.c_str(), "--sim", b.settings.simPath.c_str(),
            "--work", b.settings.workDir.c_str(), "--only", control.scenario, "--break",
            control.breakage, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    const bool failedScenario =
        text.str().find(std::string("FAIL ") + control.scenario) != std::string::npos;
    // Show how the bench caught it: the broken run's first failed check.
    std::string line;
    std::istringstream lines(text.str());
    while (std::getline(lines, line))
      if (line.starts_with("    ")) {
        std::printf("    with %s: %s\n", control.breakage, line.c_str() + 4);
        break;
      }
    b.checks.Expect(WIFEXITED(status) && WEXITSTATUS(status) == 1 && failedScenario,
                    std::string("a link with ") + control.breakage + " passed the bench");
  }
}

// The window, offscreen, over the real link: identified, the panel drawn from the status replies,
// and kept as it was when the driver goes.
void WindowShowsTheDriver(Bench& b) {
  auto& c = b.checks;
  auto sim = b.StartSim("driver", kFixedDriver);
  auto controller =
      std::make_unique<RecordingController>(CreateSystemHidController(), b.settings.breakage);
  TForm1 form(std::move(controller));
  form.show();
  const auto text = [](auto* control) { return control->text().toStdString(); };
  const bool connected = WaitUntil(
      [&] {
        return text(form.ConnectionStatus) == kConnectedText && form.ReadDataTimer.isActive();
      },
      kConnectMs);
  c.Expect(connected, "window indicator: \"" + text(form.ConnectionStatus) + "\"");
  if (!connected) return;
  const auto drawn = [&] { return text(form.LabVal_Potentiometer) == "50.0 % "; };
  c.Expect(WaitUntil(drawn, 3000), "potentiometer drawn: " + text(form.LabVal_Potentiometer));
  const auto check = [&] {
    c.ExpectEq(text(form.Label_HardwareVer), "-1.06", "window shows");
    for (const auto& [name, want] : kFixedPanelTexts) {
      c.ExpectEq(ControlText(form, name), want, std::string("window shows ") + name);
    }
    c.ExpectEq(form.Pb_PowerSupply->value(), 50, "supply bar");
  };
  check();
  sim->Stop();
  c.Expect(WaitUntil([&] { return text(form.ConnectionStatus) == "No connection"; }, kConnectMs),
           "window indicator after unplug: \"" + text(form.ConnectionStatus) + "\"");
  Pump(300);
  c.Expect(!form.ReadDataTimer.isActive(), "polling stopped");
  check();  // the panel keeps its last values
  b.ExpectOnlyRequests(*sim);
}

// --- vmd220ctl, run as a user runs it ----------------------------------------------------------

constexpr int kCtlTimeoutMs = 30000;

struct CtlRun {
  std::string command;  // "vmd220ctl ARGS"
  bool ended = false;   // within the time-out
  int exitCode = -1;    // -1: ended by a signal
  std::string out, err;
};

std::string FileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> word) words.push_back(word);
  return words;
}

// Runs vmd220ctl with `args`, standard input /dev/null, its output and messages caught in files;
// as the user nobody when `asNobody`.
CtlRun RunCtl(const Settings& settings, const std::vector<std::string>& args,
              bool asNobody = false) {
  static int serial = 0;
  const std::string base = settings.workDir + "/ctl-" + std::to_string(++serial);
  const std::string outPath = base + ".out", errPath = base + ".err";
  CtlRun run;
  run.command = "vmd220ctl";
  std::vector<std::string> argv = {settings.ctlPath};
  for (const auto& arg : args) {
    run.command += " " + arg;
    argv.push_back(arg);
  }
  std::vector<char*> cargv;
  for (auto& arg : argv) cargv.push_back(arg.data());
  cargv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
      _exit(126);
    if (asNobody && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
      _exit(126);
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  if (child < 0) return run;
  int status = 0;
  run.ended = WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, kCtlTimeoutMs);
  if (!run.ended) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
  }
  if (run.ended && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  run.out = FileText(outPath);
  run.err = FileText(errPath);
  return run;
}

// The run ended with `code`; when it is 0, with nothing on standard error.
bool ExpectExit(Checks& c, const CtlRun& run, int code) {
  const bool ok = run.ended && run.exitCode == code && (code != 0 || run.err.empty());
  std::string what = run.command + ": ";
  what += run.ended ? "exit code " + std::to_string(run.exitCode)
                    : "did not end within " + std::to_string(kCtlTimeoutMs) + " ms";
  what += ", want " + std::to_string(code);
  if (!run.err.empty()) what += "; it said: " + run.err.substr(0, run.err.find('\n'));
  c.Expect(ok, what);
  return ok;
}

// The fields of one CSV row: comma-separated, strings in double quotes with "" for a quote.
std::vector<std::string> CsvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char ch = line[i];
    if (quoted) {
      if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (ch == '"') {
        quoted = false;
      } else {
        fields.back() += ch;
      }
    } else if (ch == '"') {
      quoted = true;
    } else if (ch == ',') {
      fields.emplace_back();
    } else {
      fields.back() += ch;
    }
  }
  return fields;
}

using Fields = std::map<std::string, std::string>;

// The members of one JSON object line, each value as text (numbers whole, as written).
std::optional<Fields> JsonFields(const std::string& line) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
  if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
  Fields fields;
  const QJsonObject object = doc.object();
  for (auto it = object.begin(); it != object.end(); ++it) {
    const QJsonValue value = it.value();
    std::string text;
    if (value.isString())
      text = value.toString().toStdString();
    else if (value.isBool())
      text = value.toBool() ? "true" : "false";
    else if (value.isDouble())
      text = QString::number(value.toInteger()).toStdString();
    else
      text = "(not a string, number or boolean)";
    fields[it.key().toStdString()] = text;
  }
  return fields;
}

// One status record of vmd220ctl (JSON or CSV) for the fixed driver: its raw values and full
// scales, and the panel's texts and bar positions as the display code makes them for the same
// record, under the window's control names.
void ExpectFixedStatusFields(Checks& c, const Fields& fields, const std::string& where) {
  const auto field = [&](const std::string& name) {
    const auto found = fields.find(name);
    return found == fields.end() ? std::string("(missing)") : found->second;
  };
  const TDriverStatus s = FixedStatus();
  const std::pair<const char*, long long> raw[] = {
      {"inputs", s.inputs},
      {"outputs", s.outputs},
      {"switches", s.switches},
      {"reserved", s.reserved},
      {"potentiometer", s.potentiometer},
      {"analogInput", s.analogInput},
      {"errorCode", s.errorCode},
      {"driverState", s.driverState},
      {"temperature", s.temperature},
      {"currentAct", s.currentAct},
      {"currentLimit", s.currentLimit},
      {"supplyVoltage", s.supplyVoltage},
      {"pwmAct", s.pwmAct},
      {"pwmLimit", s.pwmLimit},
      {"supplyMax", kFixedLimits.supplyMax},
      {"temperatureMax", kFixedLimits.temperatureMax},
      {"pwmMax", kFixedLimits.pwmMax},
      {"currentMax", kFixedLimits.currentMax},
  };
  for (const auto& [name, value] : raw)
    c.ExpectEq(field(name), std::to_string(value), where + " " + name);
  const PanelContent panel = StatusPanelContent(s, kFixedLimits, ".");
  for (const BoxContent& box : panel.boxes) {
    const std::string name(box.name);
    c.ExpectEq(field(name), box.look.text, where + " " + name);
  }
  for (const ValueRow& row : panel.values) {
    c.ExpectEq(field(std::string(row.labelName)), row.caption,
               where + " " + std::string(row.labelName));
    c.ExpectEq(field(std::string(row.barName)), std::to_string(row.barPosition),
               where + " " + std::string(row.barName));
  }
  c.Expect(panel.driverState && panel.driverError, "the fixed status has a known state and error");
  if (panel.driverState)
    c.ExpectEq(field(std::string(kDriverStateLabel)), panel.driverState->caption, where);
  if (panel.driverError)
    c.ExpectEq(field(std::string(kDriverErrorLabel)), *panel.driverError, where);
  c.ExpectEq(field(std::string(kWorkModeLabel)), panel.workMode, where);
  // The same texts as the window shows.
  for (const auto& [name, want] : kFixedPanelTexts)
    c.ExpectEq(field(name), want, where + " " + name);
  c.ExpectEq(field("Pb_PowerSupply"), "50", where + " Pb_PowerSupply");
}

// The row of `vmd220ctl list` for the device at `node`, in words: index, driver, read-write, VID,
// PID, path, name. Empty when the table has no such row (or more than one).
std::vector<std::string> ListRow(Checks& c, const CtlRun& run, const std::string& node) {
  const auto lines = Lines(run.out);
  c.ExpectEq(lines.empty() ? std::vector<std::string>{} : Words(lines.front()),
             (std::vector<std::string>{"INDEX", "DRIVER", "RW", "VID", "PID", "PATH", "NAME"}),
             run.command + " header");
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto words = Words(lines[i]);
    if (words.size() >= 6 && words[5] == node) rows.push_back(words);
  }
  c.ExpectEq(rows.size(), 1u, run.command + ": rows for " + node);
  return rows.size() == 1 ? rows.front() : std::vector<std::string>{};
}

// vmd220ctl on the real stack against a simulated driver with fixed values: list, info, status
// and watch show what the driver sent with the panel's texts, the driver receives nothing but
// padded info and status requests, and a missing driver, a node the user may not open and a
// driver that never answers give their exit codes.
void CommandLineCompanion(Bench& b) {
  auto& c = b.checks;
  const std::string& ctl = b.settings.ctlPath;
  if (ctl.empty() || access(ctl.c_str(), X_OK) != 0)
    return c.Expect(false, "no vmd220ctl to run: pass --ctl PATH (given: \"" + ctl + "\")");
  auto sim = b.StartSim("ctl", With(kFixedDriver, {"--vid", "1209", "--pid", "a220"}));
  const std::string node = sim->HidrawNode();
  if (node.empty()) return;

  // list: the driver by its name, its IDs and node, the driver with index 0, read-write; sends
  // nothing.
  const CtlRun list = RunCtl(b.settings, {"list"});
  if (ExpectExit(c, list, 0)) {
    c.ExpectEq(ListRow(c, list, node),
               (std::vector<std::string>{"0", "yes", "yes", "1209", "A220", node, "VMD220"}),
               "vmd220ctl list: the driver's row");
  }
  c.ExpectEq(sim->OutputReports().size(), 0u, "reports after vmd220ctl list");

  // info: the monitor's connection text, the versions, the info text and the limits given.
  const CtlRun info = RunCtl(b.settings, {"info"});
  if (ExpectExit(c, info, 0)) {
    std::vector<std::string> shown;
    for (const auto& line : Lines(info.out)) {
      const auto gap = line.find("  ");
      const auto value = line.find_first_not_of(' ', gap);
      shown.push_back(gap == std::string::npos || value == std::string::npos
                          ? line
                          : line.substr(0, gap) + ": " + line.substr(value));
    }
    c.ExpectEq(shown,
               (std::vector<std::string>{
                   "Path: " + node, "Connection: " + kConnectedText, "Device version: 1.01",
                   "Hardware version: -1.06", "Info text: SIM", "Supply max: 48000 mV",
                   "Temperature max: 100 C", "PWM max: 1000", "Current max: 5000 mA"}),
               "vmd220ctl info");
  }

  // status as JSON: one object with the raw record and the panel's texts.
  const CtlRun status = RunCtl(b.settings, {"status", "--format", "json"});
  std::optional<Fields> statusFields;
  if (ExpectExit(c, status, 0)) {
    const auto lines = Lines(status.out);
    c.ExpectEq(lines.size(), 1u, "vmd220ctl status --format json: lines");
    if (!lines.empty()) statusFields = JsonFields(lines.front());
    c.Expect(statusFields.has_value(), "vmd220ctl status --format json: not a JSON object: " +
                                           (lines.empty() ? std::string() : lines.front()));
    if (statusFields) ExpectFixedStatusFields(c, *statusFields, "status JSON");
  }

  // watch as CSV: a header and three rows 40 ms apart, with time stamps, columns as in JSON.
  const std::int64_t watchStart = sim->NowMs();
  const CtlRun watch =
      RunCtl(b.settings, {"watch", "--count", "3", "--interval", "40", "--format", "csv"});
  if (ExpectExit(c, watch, 0)) {
    const auto lines = Lines(watch.out);
    c.ExpectEq(lines.size(), 4u, "vmd220ctl watch --count 3 --format csv: lines");
    const auto header = lines.empty() ? std::vector<std::string>{} : CsvFields(lines.front());
    c.Expect(!header.empty() && header.front() == "time", "the CSV header starts with time");
    if (statusFields) {
      std::vector<std::string> columns(header.begin() + (header.empty() ? 0 : 1), header.end());
      std::vector<std::string> keys;
      for (const auto& [key, value] : *statusFields) keys.push_back(key);
      std::sort(columns.begin(), columns.end());
      c.ExpectEq(columns, keys, "CSV columns after time, sorted, against the JSON status");
    }
    std::string lastTime;
    for (std::size_t i = 1; i < lines.size(); ++i) {
      const auto values = CsvFields(lines[i]);
      const std::string where = "CSV row " + std::to_string(i);
      c.ExpectEq(values.size(), header.size(), where + ": fields");
      if (values.size() != header.size()) continue;
      Fields row;
      for (std::size_t k = 0; k < header.size(); ++k) row[header[k]] = values[k];
      const QDateTime time =
          QDateTime::fromString(QString::fromStdString(row["time"]), Qt::ISODateWithMs);
      c.Expect(time.isValid() && row["time"].ends_with('Z') && row["time"] > lastTime,
               where + ": time \"" + row["time"] + "\" is no later UTC time stamp");
      lastTime = row["time"];
      ExpectFixedStatusFields(c, row, where);
    }
  }
  // The watch's status requests as the driver received them, one per interval.
  std::vector<std::int64_t> times;
  for (const auto& e : sim->Log())
    if (e.event == "out" && e.ms >= watchStart && e.hex == Request(CMD_GET_STATUS))
      times.push_back(e.ms);
  std::string gaps;
  bool paced = times.size() == 3;
  for (std::size_t i = 1; i < times.size(); ++i) {
    const std::int64_t gap = times[i] - times[i - 1];
    gaps += (gaps.empty() ? "" : " and ") + std::to_string(gap);
    paced = paced && gap >= 30 && gap <= 400;  // 40 ms, give or take the emulated clock
  }
  std::printf("    vmd220ctl watch --interval 40: status requests %s ms apart\n",
              gaps.empty() ? "never twice" : gaps.c_str());
  c.Expect(paced, "the watch's 3 status requests 40 ms apart: " + std::to_string(times.size()) +
                      " requests, gaps " + gaps + " ms");

  // The driver received exactly the requests of info, status and watch, each padded to 65 bytes.
  const std::string infoRequest = Request(CMD_GET_INFO), statusRequest = Request(CMD_GET_STATUS);
  c.ExpectEq(sim->OutputReports(),
             (std::vector<std::string>{infoRequest, infoRequest, statusRequest, infoRequest,
                                       statusRequest, statusRequest, statusRequest}),
             "reports the driver received from info, status and watch");
  b.ExpectOnlyRequests(*sim);

  // No driver: the driver unplugged, status ends with exit code 3.
  sim->Stop();
  c.Expect(WaitUntil([&] { return sim->HidrawNode().empty(); }, 5000), "the driver's node gone");
  const CtlRun gone = RunCtl(b.settings, {"status"});
  if (ExpectExit(c, gone, 3)) {
    c.Expect(gone.err.find("no VMD220 found") != std::string::npos,
             gone.command + " says no VMD220 was found: " + gone.err);
    c.ExpectEq(gone.out, "", gone.command + ": output");
  }

  // No permission: as the user nobody, with the driver's node readable only, list shows it is
  // not read-write and status ends with exit code 4 and the hint to the udev rule.
  auto readOnly = b.StartSim("ctl-read-only", kFixedDriver);
  const std::string readOnlyNode = readOnly->HidrawNode();
  if (!readOnlyNode.empty()) {
    c.Expect(chmod(readOnlyNode.c_str(), 0644) == 0, "chmod 0644 " + readOnlyNode);
    const CtlRun listAsUser = RunCtl(b.settings, {"list"}, true);
    if (ExpectExit(c, listAsUser, 0)) {
      const auto row = ListRow(c, listAsUser, readOnlyNode);
      c.Expect(row.size() == 7 && row[1] == "yes" && row[2] == "no" && row[6] == "VMD220",
               "vmd220ctl list as nobody: the driver, not read-write");
    }
    const CtlRun statusAsUser = RunCtl(b.settings, {"status"}, true);
    if (ExpectExit(c, statusAsUser, 4)) {
      c.Expect(statusAsUser.err.find("no permission") != std::string::npos &&
                   statusAsUser.err.find("70-vmd220.rules") != std::string::npos,
               "vmd220ctl status as nobody names the missing permission and the udev rule: " +
                   statusAsUser.err);
      c.ExpectEq(statusAsUser.out, "", statusAsUser.command + " as nobody: output");
    }
    c.ExpectEq(readOnly->OutputReports().size(), 0u, "reports to the node nobody may not open");
  }
  readOnly->Stop();

  // No reply: a driver that never answers, info ends with exit code 6 after its time-out.
  auto mute = b.StartSim("ctl-mute", With(kFixedDriver, {"--no-reply"}));
  if (!mute->HidrawNode().empty()) {
    const CtlRun silent = RunCtl(b.settings, {"info", "--timeout", "500"});
    if (ExpectExit(c, silent, 6)) {
      c.Expect(silent.err.find("no info reply") != std::string::npos,
               silent.command + " says no info reply came: " + silent.err);
    }
    c.ExpectEq(mute->OutputReports(), std::vector<std::string>{infoRequest},
               "reports to the driver that never answers");
  }
}

struct Scenario {
  const char* name;
  void (*run)(Bench&);
};

const Scenario kScenarios[] = {
    {"kernel-round-trip", KernelRoundTrip},
    {"attach-and-identify", AttachAndIdentify},
    {"status-polling", StatusPolling},
    {"unplug-while-polling", UnplugWhilePolling},
    {"replug", Replug},
    {"other-device-while-attached", OtherDeviceWhileAttached},
    {"two-drivers", TwoDrivers},
    {"never-answers", NeverAnswers},
    {"read-only-node-as-user", ReadOnlyNodeAsUser},
    {"malformed-reply", MalformedReply},
    {"short-report-dropped", ShortReportDropped},
    {"short-reply", ShortReply},
    {"destroyed-while-reading", DestroyedWhileReading},
    {"window-shows-the-driver", WindowShowsTheDriver},
    {"command-line-companion", CommandLineCompanion},
    {"broken-link-is-caught", BrokenLinkIsCaught},
};

int Run(const Settings& settings) {
  std::filesystem::create_directories(settings.workDir);
  Bench bench(settings);
  int failed = 0, passed = 0;
  for (const Scenario& scenario : kScenarios) {
    const std::string name = scenario.name;
    if (!settings.only.empty() &&
        std::find(settings.only.begin(), settings.only.end(), name) == settings.only.end())
      continue;
    if (settings.only.empty() && settings.breakage != Breakage::None &&
        name == "broken-link-is-caught")
      continue;
    bench.checks.Clear();
    const std::int64_t start = MonotonicMs();
    scenario.run(bench);
    const std::int64_t ms = MonotonicMs() - start;
    const auto& failures = bench.checks.Failures();
    std::printf("%s %s (%lld ms)\n", failures.empty() ? "PASS" : "FAIL", scenario.name,
                static_cast<long long>(ms));
    for (const auto& f : failures) std::printf("    %s\n", f.c_str());
    std::fflush(stdout);
    (failures.empty() ? passed : failed)++;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}

}  // namespace
}  // namespace vmd::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vmd::bench::Settings settings;
  settings.self = std::filesystem::read_symlink("/proc/self/exe").string();
  const auto usage = [] {
    std::fprintf(stderr,
                 "usage: vmd-link-bench --sim PATH [--ctl PATH] [--work DIR] [--only SCENARIO]... "
                 "[--break product-name|unpadded-write]\n");
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--sim" && hasValue)
      settings.simPath = argv[++i];
    else if (arg == "--ctl" && hasValue)
      settings.ctlPath = argv[++i];
    else if (arg == "--work" && hasValue)
      settings.workDir = argv[++i];
    else if (arg == "--only" && hasValue)
      settings.only.emplace_back(argv[++i]);
    else if (arg == "--read-only-child")
      settings.readOnlyChild = true;
    else if (arg == "--break" && hasValue) {
      const std::string what = argv[++i];
      if (what == "product-name")
        settings.breakage = vmd::bench::Breakage::ProductName;
      else if (what == "unpadded-write")
        settings.breakage = vmd::bench::Breakage::UnpaddedWrite;
      else
        return usage();
    } else
      return usage();
  }
  if (settings.readOnlyChild) return vmd::bench::ReadOnlyChild();
  if (settings.simPath.empty()) return usage();
  return vmd::bench::Run(settings);
}
