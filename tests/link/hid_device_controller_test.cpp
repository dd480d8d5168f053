// The HID component's controller over the fake system: list order, taking and giving back,
// product strings, read-write access, and when the device-change event is raised.
#include "link/hid/hid_device_controller.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "link/hid/fake/fake_hid.h"
#include "tests/support/event_loop.h"

namespace vmd {
namespace {

using fake::Bytes;
using fake::FakeHidDeviceTraits;
using testing::ProcessPosted;
using testing::SpinUntil;

FakeHidDeviceTraits Named(std::u16string product) {
  FakeHidDeviceTraits traits;
  traits.productString = std::move(product);
  return traits;
}

class HidDeviceControllerTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::FakeHidSystem> system = std::make_shared<fake::FakeHidSystem>();
  std::unique_ptr<HidController> controller;
  int changes = 0;

  void Start() {
    controller = fake::CreateFakeHidController(system);
    controller->SetDeviceChangeHandler([this] { ++changes; });
  }
  void StartAndScan() {
    Start();
    ASSERT_TRUE(SpinUntil([&] { return changes == 1; }));
  }
  // Product strings of the list, in order.
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    controller->Enumerate([&](HidDevice& device, int index) {
      EXPECT_EQ(index, static_cast<int>(names.size()));
      names.push_back(device.ProductString());
      return true;
    });
    return names;
  }
  // Announces (as the system does on any device change) and runs what that posted.
  void AnnounceAndSettle() {
    system->Announce();
    ProcessPosted();
  }
};

TEST_F(HidDeviceControllerTest, FirstScanIsRaisedOnceTheEventLoopRunsEvenWithoutDevices) {
  Start();
  EXPECT_EQ(changes, 0);  // queued, not run in the constructor
  ProcessPosted();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(Names().empty());
}

TEST_F(HidDeviceControllerTest, AnnouncementsRaiseOnlyWhenTheSetOfDevicesChanged) {
  system->Plug(Named(u"Keyboard"), false);
  StartAndScan();
  AnnounceAndSettle();  // e.g. a USB stick: no HID device came or went
  EXPECT_EQ(changes, 1);
  system->Plug(Named(u"Mouse"));
  ProcessPosted();
  EXPECT_EQ(changes, 2);
  FakeHidDeviceTraits hidden = Named(u"Locked");
  hidden.queryable = false;  // cannot be opened at all: not part of the set
  system->Plug(hidden);
  ProcessPosted();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Keyboard", u"Mouse"}));
}

TEST_F(HidDeviceControllerTest, KeepsTheFirstScansOrderAndAppendsLaterArrivals) {
  auto a = system->Plug(Named(u"A"), false);
  system->Plug(Named(u"B"), false);
  StartAndScan();
  system->Plug(Named(u"C"));
  ProcessPosted();
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"A", u"B", u"C"}));
  system->Unplug(a, false);
  system->Plug(Named(u"D"));
  ProcessPosted();
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"B", u"C", u"D"}));
  // A device plugged in again is a new device, at the end of the list.
  auto b = system->Present()[0];
  system->Unplug(b, false);
  system->Plug(Named(u"B"));
  ProcessPosted();
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"C", u"D", u"B"}));
}

TEST_F(HidDeviceControllerTest, EnumerationStopsWhenTheHandlerSaysSo) {
  system->Plug(Named(u"A"), false);
  system->Plug(Named(u"B"), false);
  StartAndScan();
  int calls = 0;
  controller->Enumerate([&](HidDevice&, int) { return ++calls < 1; });
  EXPECT_EQ(calls, 1);
}

TEST_F(HidDeviceControllerTest, TakesByIndexOnceAndForgetsRemovedDevicesWhenGivenBack) {
  system->Plug(Named(u"A"), false);
  auto b = system->Plug(Named(u"B"), false);
  StartAndScan();
  HidDevice* taken = controller->CheckOutByIndex(1);
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->ProductString(), u"B");
  EXPECT_EQ(controller->CheckOutByIndex(1), nullptr);  // already taken
  EXPECT_EQ(controller->CheckOutByIndex(2), nullptr);
  EXPECT_EQ(controller->CheckOutByIndex(-1), nullptr);

  system->Unplug(b);
  ProcessPosted();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"A"}));
  EXPECT_EQ(b->OpenConnections(), 1);             // still held by the program
  EXPECT_FALSE(taken->WriteReport(Bytes{1, 2}));  // gone: the write fails quietly
  controller->CheckIn(taken);
  EXPECT_EQ(b->OpenConnections(), 0);  // forgotten and closed
  controller->CheckIn(taken);          // unknown by now: ignored

  HidDevice* a = controller->CheckOutByIndex(0);
  ASSERT_NE(a, nullptr);
  controller->CheckIn(a);
  EXPECT_EQ(controller->CheckOutByIndex(0), a);  // given back, it is offered again
}

TEST_F(HidDeviceControllerTest, ProductStringIsCutAtTheBufferAndTheFirstZeroUnit) {
  system->Plug(Named(std::u16string(u"VMD220\0tail", 11)), false);
  system->Plug(Named(std::u16string(300, u'x')), false);
  system->Plug(Named(u""), false);
  StartAndScan();
  const auto names = Names();
  EXPECT_EQ(names[0], u"VMD220");
  EXPECT_EQ(names[1], std::u16string(254, u'x'));
  EXPECT_EQ(names[2], u"");
}

TEST_F(HidDeviceControllerTest, ReadWriteAttemptIsRememberedAndRenewedWhenTheNameIsFirstRead) {
  auto device = system->Plug(Named(u"Held elsewhere"), false);
  device->SetReadWrite(false);
  StartAndScan();
  HidDevice* taken = controller->CheckOutByIndex(0);
  ASSERT_NE(taken, nullptr);
  EXPECT_FALSE(taken->HasReadWriteAccess());
  device->SetReadWrite(true);  // e.g. access granted since the device object was made
  EXPECT_FALSE(taken->HasReadWriteAccess());  // remembered, not re-tried by asking
  taken->ProductString();                     // reopens
  EXPECT_TRUE(taken->HasReadWriteAccess());
  device->SetReadWrite(false);
  taken->ProductString();  // read once: no further attempt
  EXPECT_TRUE(taken->HasReadWriteAccess());
  EXPECT_EQ(device->OpenConnections(), 1);
}

TEST_F(HidDeviceControllerTest, DeviceWithoutReadWriteAccessWritesNothing) {
  FakeHidDeviceTraits traits = Named(u"VMD220");
  traits.readWrite = false;
  auto device = system->Plug(traits, false);
  StartAndScan();
  HidDevice* taken = controller->CheckOutByIndex(0);
  EXPECT_FALSE(taken->WriteReport(Bytes{1, 10}));
  EXPECT_TRUE(device->Writes().empty());
}

TEST_F(HidDeviceControllerTest, ReadsOnlyFromATakenDeviceWithAHandler) {
  auto device = system->Plug(Named(u"Pad"), false);
  StartAndScan();
  std::vector<std::pair<std::uint8_t, Bytes>> received;
  auto handler = [&](HidDevice&, std::uint8_t id, std::span<const std::uint8_t> data) {
    received.emplace_back(id, Bytes(data.begin(), data.end()));
  };
  controller->Enumerate([&](HidDevice& untaken, int) {
    untaken.SetDataHandler(handler);  // not taken: no reading
    return true;
  });
  device->SendInput(Bytes{3, 1, 2});
  ProcessPosted();
  EXPECT_EQ(device->ReportsRead(), 0u);

  HidDevice* taken = controller->CheckOutByIndex(0);
  taken->SetDataHandler(handler);
  ASSERT_TRUE(SpinUntil([&] { return received.size() == 1; }));
  EXPECT_EQ(received[0], (std::pair<std::uint8_t, Bytes>{3, Bytes{1, 2}}));

  taken->SetDataHandler(nullptr);  // stops reading
  device->SendInput(Bytes{3, 4});
  ProcessPosted();
  EXPECT_EQ(device->ReportsRead(), 1u);
}

TEST_F(HidDeviceControllerTest, GivingBackHandsOverAReportAlreadyReadNested) {
  auto device = system->Plug(Named(u"Pad"), false);
  StartAndScan();
  HidDevice* taken = controller->CheckOutByIndex(0);
  bool inCheckIn = false;
  std::vector<bool> receivedInCheckIn;
  taken->SetDataHandler([&](HidDevice&, std::uint8_t, std::span<const std::uint8_t>) {
    receivedInCheckIn.push_back(inCheckIn);
  });
  device->SendInput(Bytes{1, 2});
  ASSERT_TRUE(device->WaitForReportsRead(1, 5000));
  inCheckIn = true;
  controller->CheckIn(taken);
  inCheckIn = false;
  ProcessPosted();
  EXPECT_EQ(receivedInCheckIn, std::vector<bool>{true});
}

TEST_F(HidDeviceControllerTest, DeviceWithNoInputReportIsNotRead) {
  FakeHidDeviceTraits traits = Named(u"Output only");
  traits.caps = {0, 9};
  auto device = system->Plug(traits, false);
  StartAndScan();
  HidDevice* taken = controller->CheckOutByIndex(0);
  taken->SetDataHandler([](HidDevice&, std::uint8_t, std::span<const std::uint8_t>) {});
  device->SendInput(Bytes{1});
  ProcessPosted();
  EXPECT_EQ(device->ReadCalls(), 0u);
  EXPECT_EQ(taken->Caps().outputReportByteLength, 9u);
}

TEST_F(HidDeviceControllerTest, AnnouncementDuringTheHandlerIsNotReenteredButLookedAtAfter) {
  auto a = system->Plug(Named(u"A"), false);
  Start();
  int depth = 0;
  int maxDepth = 0;
  std::vector<std::size_t> sizes;
  controller->SetDeviceChangeHandler([&] {
    ++depth;
    maxDepth = std::max(maxDepth, depth);
    sizes.push_back(Names().size());
    if (sizes.size() == 1) {
      system->Unplug(a);  // announced while we handle the first change...
      ProcessPosted();    // ...and the event loop runs inside the handler (a dialog, say)
    }
    --depth;
  });
  ASSERT_TRUE(SpinUntil([&] { return sizes.size() == 2; }));
  EXPECT_EQ(maxDepth, 1);
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 0}));
}

TEST_F(HidDeviceControllerTest, DestroyingTheControllerStopsReadersAndClosesDevices) {
  auto device = system->Plug(Named(u"Pad"), false);
  StartAndScan();
  HidDevice* taken = controller->CheckOutByIndex(0);
  int received = 0;
  taken->SetDataHandler(
      [&](HidDevice&, std::uint8_t, std::span<const std::uint8_t>) { ++received; });
  device->SendInput(Bytes{1});
  ASSERT_TRUE(device->WaitForReportsRead(1, 5000));
  controller.reset();
  ProcessPosted();
  EXPECT_EQ(received, 0);  // a report still waiting at shutdown is dropped
  EXPECT_EQ(device->OpenConnections(), 0);
}

}  // namespace
}  // namespace vmd
