// vmd-link-bench: runs inside the bench VM (or on any Linux machine with /dev/uhid, as root) and
// checks the device link on the kernel's own HID stack against vmd220-sim instances it starts and
// stops. Prints one line per scenario and exits non-zero when any check failed.
//
//   vmd-link-bench --sim PATH --work DIR [--only NAME]...

#include <hidapi/hidapi.h>

#include <QCoreApplication>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "protocol/driver_protocol.h"
#include "sim/sim_device.h"

namespace vmd::bench {
namespace {

struct Settings {
  std::string simPath;
  std::string workDir = "/tmp/vmd-link-bench";
  std::vector<std::string> only;
};

std::string Hex(const std::vector<std::uint8_t>& bytes) { return sim::HexText(bytes); }

class Bench {
 public:
  explicit Bench(Settings settings) : settings_(std::move(settings)) {}

  std::unique_ptr<SimProcess> Sim(const std::string& tag, std::vector<std::string> args = {}) {
    return std::make_unique<SimProcess>(settings_.simPath, settings_.workDir, tag, std::move(args));
  }
  Checks checks;

 private:
  Settings settings_;
};

// The kernel stack alone, through hidapi: the simulated driver is listed under its name, takes a
// padded request and its reply comes back whole.
void KernelRoundTrip(Bench& bench) {
  auto& c = bench.checks;
  auto sim = bench.Sim("round-trip", {"--scenario", "fixed", "--set", "potentiometer=1650"});
  if (!sim->Start()) return c.Expect(false, "vmd220-sim did not come up with a hidraw node");
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
  c.ExpectEq(sim->OutputReports().size(), 1u, "reports the device received");
  if (!sim->OutputReports().empty())
    c.ExpectEq(sim->OutputReports().front(), Hex(request), "report received byte for byte");
  hid_close(device);
}

struct Scenario {
  const char* name;
  void (*run)(Bench&);
};

const Scenario kScenarios[] = {
    {"kernel-round-trip", KernelRoundTrip},
};

int Run(const Settings& settings) {
  std::filesystem::create_directories(settings.workDir);
  Bench bench(settings);
  int failed = 0, passed = 0;
  for (const Scenario& scenario : kScenarios) {
    if (!settings.only.empty() &&
        std::find(settings.only.begin(), settings.only.end(), scenario.name) == settings.only.end())
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
  QCoreApplication app(argc, argv);
  vmd::bench::Settings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--sim" && hasValue)
      settings.simPath = argv[++i];
    else if (arg == "--work" && hasValue)
      settings.workDir = argv[++i];
    else if (arg == "--only" && hasValue)
      settings.only.emplace_back(argv[++i]);
    else {
      std::fprintf(stderr, "usage: vmd-link-bench --sim PATH [--work DIR] [--only SCENARIO]...\n");
      return 2;
    }
  }
  if (settings.simPath.empty()) {
    std::fprintf(stderr, "vmd-link-bench: --sim PATH is required\n");
    return 2;
  }
  return vmd::bench::Run(settings);
}
