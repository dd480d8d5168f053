// The read thread's hand-off to the main thread, over fake devices with real threads. Also run
// under ThreadSanitizer.
#include "link/hid/hid_read_thread.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "link/hid/fake/fake_hid.h"
#include "tests/support/event_loop.h"

namespace vmd {
namespace {

using fake::Bytes;
using testing::ProcessPosted;
using testing::SpinUntil;

constexpr std::size_t kLength = 8;

Bytes Report(std::uint8_t n) { return Bytes{1, n, 0, 0, 0, 0, 0, 0}; }

class HidReadThreadTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::FakeHidSystem> system = std::make_shared<fake::FakeHidSystem>();
  std::unique_ptr<HidBackend> backend = fake::CreateFakeHidBackend(system);
  HidReportHandoff handoff;
  std::shared_ptr<fake::FakeHidDevice> device = system->Plug({}, false);
  std::unique_ptr<HidConnection> connection = backend->OpenReadWrite(device->Path());
  std::vector<Bytes> delivered;
  bool offMainThread = false;

  HidReadThread::Deliver Record() {
    return [this](std::span<const std::uint8_t> report) {
      if (QThread::currentThread() != QCoreApplication::instance()->thread()) offMainThread = true;
      delivered.emplace_back(report.begin(), report.end());
    };
  }
};

TEST_F(HidReadThreadTest, DeliversEveryReportInOrderOnTheMainThread) {
  HidReadThread reader(*connection, kLength, handoff, Record());
  for (std::uint8_t n = 0; n < 50; ++n) device->SendInput(Report(n));
  ASSERT_TRUE(SpinUntil([&] { return delivered.size() == 50; }));
  for (std::uint8_t n = 0; n < 50; ++n) EXPECT_EQ(delivered[n], Report(n));
  EXPECT_FALSE(offMainThread);
}

TEST_F(HidReadThreadTest, CutsLongReportsToTheInputLengthAndKeepsShortOnes) {
  HidReadThread reader(*connection, kLength, handoff, Record());
  device->SendInput(Bytes(20, 7));
  device->SendInput(Bytes{1, 2});
  ASSERT_TRUE(SpinUntil([&] { return delivered.size() == 2; }));
  EXPECT_EQ(delivered[0], Bytes(kLength, 7));
  EXPECT_EQ(delivered[1], (Bytes{1, 2}));
}

TEST_F(HidReadThreadTest, ReadsOnOnlyAfterTheHandlerReturned) {
  std::vector<std::size_t> readWhileHandling;
  HidReadThread reader(*connection, kLength, handoff, [&](std::span<const std::uint8_t>) {
    // Give the thread every chance to read ahead; it must not.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    readWhileHandling.push_back(device->ReportsRead());
  });
  for (std::uint8_t n = 0; n < 4; ++n) device->SendInput(Report(n));
  ASSERT_TRUE(SpinUntil([&] { return readWhileHandling.size() == 4; }));
  EXPECT_EQ(readWhileHandling, (std::vector<std::size_t>{1, 2, 3, 4}));
}

TEST_F(HidReadThreadTest, StopHandsOverAReportAlreadyReadNestedInTheCall) {
  HidReadThread reader(*connection, kLength, handoff, Record());
  device->SendInput(Report(9));
  ASSERT_TRUE(device->WaitForReportsRead(1, 5000));  // read, not yet handed over: no events ran
  EXPECT_TRUE(delivered.empty());
  reader.Stop();
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(delivered[0], Report(9));
  ProcessPosted();  // the hand-off the thread had asked for delivers nothing twice
  EXPECT_EQ(delivered.size(), 1u);
  reader.Stop();  // again: nothing happens
}

TEST_F(HidReadThreadTest, StopWithoutHandingOverAndDestructionDropTheReport) {
  {
    HidReadThread reader(*connection, kLength, handoff, Record());
    device->SendInput(Report(1));
    ASSERT_TRUE(device->WaitForReportsRead(1, 5000));
    reader.Stop(/*deliverPending=*/false);
  }
  {
    HidReadThread reader(*connection, kLength, handoff, Record());
    device->SendInput(Report(2));
    ASSERT_TRUE(device->WaitForReportsRead(2, 5000));
  }
  ProcessPosted();
  EXPECT_TRUE(delivered.empty());
}

TEST_F(HidReadThreadTest, StopFromInsideTheHandlerEndsReadingWithoutDeadlock) {
  std::optional<HidReadThread> reader;
  reader.emplace(*connection, kLength, handoff, [&](std::span<const std::uint8_t> report) {
    delivered.emplace_back(report.begin(), report.end());
    reader->Stop();  // nested: must not deliver this report again or wait for itself
  });
  device->SendInput(Report(1));
  device->SendInput(Report(2));
  ASSERT_TRUE(SpinUntil([&] { return !delivered.empty(); }));
  ProcessPosted();
  EXPECT_EQ(delivered, (std::vector<Bytes>{Report(1)}));
}

TEST_F(HidReadThreadTest, DestroyingTheReaderFromInsideTheHandlerIsSafe) {
  std::optional<HidReadThread> reader;
  reader.emplace(*connection, kLength, handoff, [&](std::span<const std::uint8_t> report) {
    delivered.emplace_back(report.begin(), report.end());
    reader.reset();
  });
  device->SendInput(Report(1));
  ASSERT_TRUE(SpinUntil([&] { return !reader.has_value(); }));
  ProcessPosted();
  EXPECT_EQ(delivered.size(), 1u);
}

TEST_F(HidReadThreadTest, ADeadDeviceEndsTheThreadInsteadOfSpinning) {
  HidReadThread reader(*connection, kLength, handoff, Record());
  system->Unplug(device, false);  // every read now fails at once
  ASSERT_TRUE(SpinUntil([&] { return device->ReadCalls() > 0; }));
  const std::size_t calls = device->ReadCalls();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_LE(device->ReadCalls(), calls + 1);
  reader.Stop();
  EXPECT_TRUE(delivered.empty());
}

// Two devices streamed from other threads while the main thread keeps stopping and restarting
// one reader: every report arrives once, in order, on the main thread, and nothing races.
TEST_F(HidReadThreadTest, StreamsFromSeveralThreadsWhileReadersStopAndStart) {
  auto second = system->Plug({}, false);
  auto secondConnection = backend->OpenReadWrite(second->Path());
  std::vector<int> fromFirst;
  std::vector<int> fromSecond;
  auto recordInto = [this](std::vector<int>& into) {
    return [this, &into](std::span<const std::uint8_t> report) {
      if (QThread::currentThread() != QCoreApplication::instance()->thread()) offMainThread = true;
      into.push_back(report[1] | (report[2] << 8));
    };
  };
  constexpr int kReports = 400;
  auto produce = [](fake::FakeHidDevice& target) {
    for (int n = 0; n < kReports; ++n) {
      target.SendInput(Bytes{1, static_cast<std::uint8_t>(n & 0xFF),
                             static_cast<std::uint8_t>(n >> 8), 0, 0, 0, 0, 0});
    }
  };
  std::optional<HidReadThread> first;
  first.emplace(*connection, kLength, handoff, recordInto(fromFirst));
  HidReadThread other(*secondConnection, kLength, handoff, recordInto(fromSecond));
  std::thread producerA(produce, std::ref(*device));
  std::thread producerB(produce, std::ref(*second));
  int restarts = 0;
  const bool done = SpinUntil(
      [&] {
        if (fromFirst.size() % 37 == 5 && restarts < 50) {
          first.reset();  // stops, dropping a report read but not handed over...
          ++restarts;
          first.emplace(*connection, kLength, handoff, recordInto(fromFirst));
        }
        return device->ReportsRead() == kReports && fromSecond.size() == kReports;
      },
      20000);
  producerA.join();
  producerB.join();
  ASSERT_TRUE(done);
  first->Stop();  // ...or delivering it here
  EXPECT_FALSE(offMainThread);
  for (int n = 0; n < kReports; ++n) ASSERT_EQ(fromSecond[static_cast<std::size_t>(n)], n);
  // Reports of the restarted reader: strictly increasing, none twice (dropped ones are gone).
  for (std::size_t i = 1; i < fromFirst.size(); ++i) ASSERT_LT(fromFirst[i - 1], fromFirst[i]);
  EXPECT_GE(fromFirst.size() + static_cast<std::size_t>(restarts), std::size_t{kReports});
}

}  // namespace
}  // namespace vmd
