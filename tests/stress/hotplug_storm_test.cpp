// A storm of device changes over the fake HID system, through the real controller, read threads,
// discovery and report exchange: the driver is plugged and unplugged 1,000 times while it answers
// every request, another thread sends it (and every other device) unsolicited input, and a third
// plugs and unplugs other HID devices. Afterwards the link must be exactly what the discovery walk
// gives for the devices then present, every read thread of a device given back must have ended,
// every connection of an unplugged device must be closed, and the records must follow the driver.
// Leaks are left to LeakSanitizer (asan build), races to ThreadSanitizer (tsan build); the
// time-outs below and the test's own CTest time-out catch a deadlock.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "common/eight_bit_text.h"
#include "link/discovery.h"
#include "link/hid/fake/fake_hid.h"
#include "link/hid/hid_read_thread.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_driver.h"
#include "tests/support/recording_view.h"

namespace vmd {
namespace {

using fake::Bytes;
using fake::FakeHidDevice;
using fake::FakeHidDeviceTraits;
using testing::DriverTraits;
using testing::InfoReport;
using testing::OtherTraits;
using testing::SpinUntil;
using testing::StatusReport;

constexpr int kCycles = 1000;
constexpr std::uint8_t kUnsolicitedMark = 0xEE;  // TDriverStatus::reserved of unsolicited input
const std::string kConnectedText = "Connected to VMD220 ver.: 1.01   A";

using View = testing::RecordingView;

// Threads of this process, from /proc (read threads included).
std::size_t ProcessThreads() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    ++count;
  return count;
}

// The threads before the storm. A thread is started and joined first: ThreadSanitizer's runtime
// starts a helper thread of its own along with the first one.
std::size_t ThreadsAtRest() {
  std::thread([] {}).join();
  return ProcessThreads();
}

std::string DisplayName(const FakeHidDeviceTraits& traits) {
  if (!traits.productString.empty()) return EightBitFromUtf16(traits.productString);
  char name[32];
  std::snprintf(name, sizeof name, "Device VID=%04X PID=%04X", unsigned{traits.vendorId},
                unsigned{traits.productId});
  return name;
}

// The devices of the storm: every one ever plugged, and those plugged now, to which the input
// thread sends (a device leaves that set just after it is unplugged, so input races the unplug).
class DeviceBoard {
 public:
  void Add(std::shared_ptr<FakeHidDevice> device) {
    std::lock_guard lock(mutex_);
    all_.push_back(device);
    live_.push_back(std::move(device));
  }
  void Retire(const std::shared_ptr<FakeHidDevice>& device) {
    std::lock_guard lock(mutex_);
    std::erase(live_, device);
  }
  std::vector<std::shared_ptr<FakeHidDevice>> All() const {
    std::lock_guard lock(mutex_);
    return all_;
  }
  std::vector<std::shared_ptr<FakeHidDevice>> Live() const {
    std::lock_guard lock(mutex_);
    return live_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<FakeHidDevice>> all_;
  std::vector<std::shared_ptr<FakeHidDevice>> live_;
};

class HotplugStormTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::FakeHidSystem> system = std::make_shared<fake::FakeHidSystem>();
  std::size_t threadsBefore = ThreadsAtRest();
  std::unique_ptr<HidController> controller = fake::CreateFakeHidController(system);
  DriverRecords records;
  View view;
  ReportExchange exchange{records, view};
  std::unique_ptr<Discovery> discovery = std::make_unique<Discovery>(*controller, exchange, view);
  DeviceBoard board;
  std::atomic<std::uint16_t> statusSerial{0};  // the potentiometer field of the last status reply

  // A driver that answers every request; its status replies carry a serial number.
  std::shared_ptr<FakeHidDevice> PlugDriver(bool readWrite, bool announce) {
    auto driver = system->Plug(DriverTraits(readWrite), announce);
    driver->SetReplier([this](std::span<const std::uint8_t> written) -> std::vector<Bytes> {
      if (written.size() < 2 || written[0] != HID_OUTPUT_REPORT_ID) return {};
      if (written[1] == CMD_GET_INFO) return {InfoReport(101, "A", 100)};
      if (written[1] != CMD_GET_STATUS) return {};
      TDriverStatus status{};
      status.potentiometer = ++statusSerial;
      status.supplyVoltage = 24000;
      return {StatusReport(status)};
    });
    board.Add(driver);
    return driver;
  }

  // One tick of the poll timer, if it runs (the window's ReadDataTimer).
  void Tick() {
    if (view.polling) exchange.ReadDataTimerTimer();
  }
  void Spin(int iterations) {
    for (int i = 0; i < iterations; ++i) {
      QCoreApplication::processEvents();
      Tick();
    }
  }
};

TEST_F(HotplugStormTest, ThousandPlugCyclesWithReportsInFlightEndAsTheWalkSays) {
  std::mt19937 random(20240611);  // fixed: a failure can be replayed
  std::atomic<bool> stop{false};

  // Unsolicited input to every device plugged: status replies nobody asked for, info replies, and
  // reports the link must ignore.
  std::thread input([&] {
    std::mt19937 rng(7);
    TDriverStatus unsolicited{};
    unsolicited.reserved = kUnsolicitedMark;
    while (!stop) {
      for (const auto& device : board.Live()) {
        switch (rng() % 4) {
          case 0:
            device->SendInput(StatusReport(unsolicited));
            break;
          case 1:
            device->SendInput(InfoReport(101, "A", 100));
            break;
          case 2:
            device->SendInput(Bytes{2, 0, 1, 2, 3});
            break;
          default:
            device->SendInput(Bytes{});
            break;
        }
      }
      std::this_thread::sleep_for(std::chrono::microseconds(300 + rng() % 700));
    }
  });
  // Other HID devices coming and going, announced from this thread.
  std::thread others([&] {
    std::mt19937 rng(11);
    std::vector<std::shared_ptr<FakeHidDevice>> plugged;
    const std::vector<FakeHidDeviceTraits> specs = {
        OtherTraits(u"USB Keyboard"),
        OtherTraits(u"Optical Mouse", 0x046D, 0xC077),
        OtherTraits(u"", 0x1234, 0x00AB),
        OtherTraits(u"vmd220"),   // not the driver: letter case
        OtherTraits(u"VMD220 "),  // not the driver: a trailing blank
        [] {
          FakeHidDeviceTraits traits = OtherTraits(u"Locked Pad");
          traits.queryable = false;  // cannot be opened at all: never listed
          return traits;
        }()};
    while (!stop) {
      if (plugged.size() < 3 && (plugged.empty() || rng() % 2 == 0)) {
        auto device = system->Plug(specs[rng() % specs.size()], rng() % 4 != 0);
        board.Add(device);
        plugged.push_back(std::move(device));
      } else {
        const std::size_t which = rng() % plugged.size();
        system->Unplug(plugged[which], rng() % 4 != 0);
        board.Retire(plugged[which]);
        plugged.erase(plugged.begin() + static_cast<std::ptrdiff_t>(which));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1 + rng() % 8));
    }
  });

  std::vector<std::shared_ptr<FakeHidDevice>> drivers;
  int attachedCycles = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    // Plug the driver (now and then without read-write access, now and then a second one), with
    // or without waiting for the link to come up, then unplug what is there.
    const bool readWrite = random() % 10 != 0;
    drivers.push_back(PlugDriver(readWrite, random() % 8 != 0));
    if (random() % 5 == 0) drivers.push_back(PlugDriver(true, true));
    if (random() % 2 == 0) {
      // Wait for a full attach: the driver was asked for its info and its reply started polling.
      const auto& driver = drivers.back();
      if (SpinUntil([&] { return !driver->Writes().empty() && view.polling; }, 200))
        ++attachedCycles;
    }
    Spin(static_cast<int>(random() % 6));
    const bool keepLast = cycle == kCycles - 1 && random() % 2 == 0;
    while (drivers.size() > (keepLast ? 1u : 0u)) {
      system->Unplug(drivers.back(), random() % 8 != 0);
      board.Retire(drivers.back());
      drivers.pop_back();
      if (random() % 3 == 0) Spin(1);
    }
  }
  stop = true;
  input.join();
  others.join();
  EXPECT_GT(attachedCycles, kCycles / 10);  // the storm did attach the driver, many times
  std::size_t reportsRead = 0;
  for (const auto& device : board.All()) reportsRead += device->ReportsRead();
  std::printf(
      "storm: %d cycles, %zu devices plugged, %d device changes, %d full attaches, "
      "%zu reports read\n",
      kCycles, board.All().size(), view.deviceChanges, attachedCycles, reportsRead);

  // Settle: one more announcement, then every change is handled.
  system->Announce();
  std::vector<std::string> expectedNames;
  std::vector<std::shared_ptr<FakeHidDevice>> listed;
  for (const auto& device : system->Present()) {
    if (!device->Traits().queryable) continue;
    expectedNames.push_back(DisplayName(device->Traits()));
    listed.push_back(device);
  }
  ASSERT_TRUE(SpinUntil([&] { return view.deviceList == expectedNames; }, 10000))
      << "device list does not follow the devices present";
  const int changes = view.deviceChanges;
  SpinUntil([] { return false; }, 200);  // time for stray announcements to land
  EXPECT_EQ(view.deviceChanges, changes) << "device changes went on without a change";
  EXPECT_EQ(view.deviceList, expectedNames);

  // What the walk says for the devices present.
  std::vector<std::shared_ptr<FakeHidDevice>> presentDrivers;
  for (const auto& device : listed) {
    if (DisplayName(device->Traits()) == "VMD220") presentDrivers.push_back(device);
  }
  if (listed.empty()) {
    EXPECT_EQ(view.connectionText, "No connection");
    EXPECT_FALSE(exchange.DeviceConnected);
    EXPECT_FALSE(view.polling);
  } else if (presentDrivers.empty()) {
    EXPECT_EQ(view.connectionText, "Disconnected");
    EXPECT_FALSE(exchange.DeviceConnected);
    EXPECT_FALSE(view.polling);
  } else if (!presentDrivers.back()->Traits().readWrite) {
    ASSERT_EQ(presentDrivers.size(), 1u);
    EXPECT_EQ(view.connectionText, "No connection");
    EXPECT_FALSE(exchange.DeviceConnected);
    EXPECT_FALSE(view.polling);
    EXPECT_TRUE(presentDrivers.back()->Writes().empty());
  } else {
    ASSERT_EQ(presentDrivers.size(), 1u);
    const auto& driver = presentDrivers.back();
    ASSERT_TRUE(SpinUntil([&] { return view.connectionText == kConnectedText; }, 5000))
        << view.connectionText;
    EXPECT_TRUE(exchange.DeviceConnected);
    EXPECT_EQ(view.connectionColour, testing::RecordingView::Colour::On);
    EXPECT_TRUE(view.polling);
    // Polling goes to the driver alone, and the records follow its replies.
    std::map<const FakeHidDevice*, std::size_t> writesBefore;
    for (const auto& device : board.All()) writesBefore[device.get()] = device->Writes().size();
    for (int i = 0; i < 5; ++i) {
      Tick();
      ASSERT_TRUE(SpinUntil([&] { return records.status.potentiometer == statusSerial; }, 5000));
    }
    EXPECT_EQ(records.status.reserved, 0);
    EXPECT_EQ(records.status.supplyVoltage, 24000u);
    for (const auto& device : board.All()) {
      const std::size_t added = device->Writes().size() - writesBefore[device.get()];
      EXPECT_EQ(added, device == driver ? 5u : 0u);
    }
  }

  // Every read thread of a device given back has ended: the unplugged devices are closed and read
  // no more, the present devices are read only while attached.
  std::size_t readers = 0;
  for (const auto& device : presentDrivers) {
    if (device->OpenConnections() > 0) ++readers;
  }
  std::map<const FakeHidDevice*, std::size_t> readCalls;
  for (const auto& device : board.All()) readCalls[device.get()] = device->ReadCalls();
  std::this_thread::sleep_for(std::chrono::milliseconds(10 * HidReadThread::kReadTimeoutMs));
  for (const auto& device : board.All()) {
    const bool attached =
        std::find(presentDrivers.begin(), presentDrivers.end(), device) != presentDrivers.end();
    if (!device->Plugged()) {
      EXPECT_EQ(device->OpenConnections(), 0) << device->Path();
    }
    if (!attached) {
      EXPECT_EQ(device->ReadCalls(), readCalls[device.get()]) << device->Path();
    }
  }
  EXPECT_EQ(ProcessThreads(), threadsBefore + readers);

  // The window closes: every thread ends and every device closes.
  discovery.reset();
  controller.reset();
  for (const auto& device : board.All()) EXPECT_EQ(device->OpenConnections(), 0) << device->Path();
  EXPECT_EQ(ProcessThreads(), threadsBefore);
}

}  // namespace
}  // namespace vmd
