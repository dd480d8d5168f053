// Device discovery and connection over the fake HID system, with the real controller and read
// threads: every row of the walk's consequences and the plug/unplug life of the link. Every
// write a device receives is checked byte for byte.
#include "link/discovery.h"

#include <gtest/gtest.h>

#include "common/eight_bit_text.h"
#include "link/hid/fake/fake_hid.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_driver.h"
#include "tests/support/recording_device.h"
#include "tests/support/recording_view.h"

namespace vmd {
namespace {

using fake::Bytes;
using fake::FakeHidDevice;
using testing::CommandReport;
using testing::DriverAnswers;
using testing::DriverReplier;
using testing::DriverTraits;
using testing::InfoReport;
using testing::OtherTraits;
using testing::ProcessPosted;
using testing::SpinUntil;

using View = testing::RecordingView;

const std::vector<Bytes> kNoWrites;
const Bytes kInfoRequest = CommandReport(CMD_GET_INFO);
const Bytes kStatusRequest = CommandReport(CMD_GET_STATUS);
const std::string kConnectedA = "Connected to VMD220 ver.: 1.01   A";

class DiscoveryTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::FakeHidSystem> system = std::make_shared<fake::FakeHidSystem>();
  std::unique_ptr<HidController> controller = fake::CreateFakeHidController(system);
  DriverRecords records;
  View view;
  ReportExchange exchange{records, view};
  Discovery discovery{*controller, exchange, view};

  std::shared_ptr<FakeHidDevice> PlugDriver(bool announce = true, DriverAnswers answers = {},
                                            bool readWrite = true) {
    auto driver = system->Plug(DriverTraits(readWrite), announce);
    driver->SetReplier(DriverReplier(std::move(answers)));
    return driver;
  }
  // Waits for the next device change to have been handled.
  void AwaitChange() {
    const int before = view.deviceChanges;
    ASSERT_TRUE(SpinUntil([&] { return view.deviceChanges > before; }));
  }
  void AwaitText(const std::string& text) {
    ASSERT_TRUE(SpinUntil([&] { return view.connectionText == text; })) << view.connectionText;
  }
  // One tick of the poll timer, if it runs.
  void Tick() {
    if (view.polling) exchange.ReadDataTimerTimer();
  }
};

TEST_F(DiscoveryTest, NoDeviceAtAllShowsNoConnection) {
  EXPECT_EQ(view.deviceChanges, 0);  // nothing before the event loop runs
  AwaitChange();
  EXPECT_EQ(view.TakeLog(), (std::vector<std::string>{"No connection"}));
  EXPECT_TRUE(view.deviceList.empty());
  EXPECT_FALSE(exchange.DeviceConnected);
  EXPECT_EQ(exchange.CurrentDevice, nullptr);
  EXPECT_FALSE(view.polling);
}

TEST_F(DiscoveryTest, KeyboardAndMouseOnlyShowDisconnected) {
  auto keyboard = system->Plug(OtherTraits(u"USB Keyboard"), false);
  auto mouse = system->Plug(OtherTraits(u"USB Optical Mouse"), false);
  AwaitChange();
  EXPECT_EQ(view.TakeLog(), (std::vector<std::string>{"Disconnected", "Disconnected"}));
  EXPECT_EQ(view.deviceList, (std::vector<std::string>{"USB Keyboard", "USB Optical Mouse"}));
  EXPECT_FALSE(exchange.DeviceConnected);
  EXPECT_FALSE(view.polling);
  EXPECT_EQ(keyboard->Writes(), kNoWrites);
  EXPECT_EQ(mouse->Writes(), kNoWrites);
}

TEST_F(DiscoveryTest, DisplayNames) {
  system->Plug(OtherTraits(u"", 0x1234, 0x00AB), false);
  system->Plug(OtherTraits(u"", 0xFFFF, 0), false);
  system->Plug(OtherTraits(u"Souris \u00e9l\u00e9gante"), false);
  AwaitChange();
  EXPECT_EQ(view.deviceList,
            (std::vector<std::string>{"Device VID=1234 PID=00AB", "Device VID=FFFF PID=0000",
                                      EightBitFromUtf16(u"Souris \u00e9l\u00e9gante")}));
  EXPECT_EQ(view.connectionText, "Disconnected");
}

TEST_F(DiscoveryTest, OnlyTheExactProductStringIsTheDriver) {
  const struct {
    std::u16string product;
    bool isDriver;
  } cases[] = {
      {u"VMD220", true},
      {std::u16string(u"VMD220\0junk", 11), true},  // the product string ends at its first zero
      {u"vmd220", false},
      {u"Vmd220", false},
      {u"VMD220 ", false},
      {u" VMD220", false},
      {u"VMD2200", false},
      {u"VMD22", false},
      {u"VMD220\u00a0", false},
      {u"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(EightBitFromUtf16(c.product));
    auto traits = DriverTraits();
    traits.productString = c.product;
    auto device = system->Plug(traits);
    AwaitChange();
    EXPECT_EQ(exchange.DeviceConnected, c.isDriver);
    EXPECT_EQ(view.connectionText, c.isDriver ? "Connected" : "Disconnected");
    EXPECT_EQ(device->Writes(), c.isDriver ? std::vector<Bytes>{kInfoRequest} : kNoWrites);
    system->Unplug(device);
    AwaitChange();
    EXPECT_EQ(view.connectionText, "No connection");
  }
}

TEST_F(DiscoveryTest, DriverPluggedInIsAttachedIdentifiedAndPolled) {
  auto keyboard = system->Plug(OtherTraits(u"USB Keyboard"), false);
  AwaitChange();
  view.TakeLog();
  TDriverStatus status{};
  status.potentiometer = 1650;
  status.supplyVoltage = 24123;
  auto driver = PlugDriver(true, {InfoReport(101, "A", 100), status});
  AwaitChange();
  EXPECT_EQ(view.deviceList, (std::vector<std::string>{"USB Keyboard", "VMD220"}));
  EXPECT_TRUE(exchange.DeviceConnected);
  ASSERT_NE(exchange.CurrentDevice, nullptr);
  EXPECT_EQ(exchange.CurrentDevice->ProductString(), u"VMD220");
  EXPECT_EQ(driver->Writes(), std::vector<Bytes>{kInfoRequest});
  AwaitText(kConnectedA);
  EXPECT_EQ(view.TakeLog(),
            (std::vector<std::string>{"Disconnected", "Disconnected", "Connected", kConnectedA}));
  EXPECT_EQ(view.hardwareVersion, "1.00");
  EXPECT_TRUE(view.polling);
  EXPECT_EQ(records.limits, (TDriverLimits{48000, 100, 1000, 3000}));

  Tick();
  Tick();
  ASSERT_TRUE(SpinUntil([&] { return records.status == status; }));
  EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest, kStatusRequest}));
  EXPECT_EQ(keyboard->Writes(), kNoWrites);
}

TEST_F(DiscoveryTest, DriverUnpluggedWhilePollingStopsRequestsAndKeepsTheValues) {
  for (const bool otherDevicePresent : {true, false}) {
    SCOPED_TRACE(otherDevicePresent);
    std::shared_ptr<FakeHidDevice> other;
    if (otherDevicePresent) other = system->Plug(OtherTraits(u"USB Keyboard"));
    TDriverStatus status{};
    status.temperature = 70;
    auto driver = PlugDriver(true, {InfoReport(101, "A", 100), status});
    AwaitChange();
    AwaitText(kConnectedA);
    Tick();
    ASSERT_TRUE(SpinUntil([&] { return records.status == status; }));
    const DriverRecords before = records;

    system->Unplug(driver);
    AwaitChange();
    EXPECT_EQ(view.connectionText, otherDevicePresent ? "Disconnected" : "No connection");
    EXPECT_FALSE(exchange.DeviceConnected);
    EXPECT_FALSE(view.polling);
    Tick();
    exchange.ReadDataTimerTimer();  // even a stray tick sends nothing
    ProcessPosted();
    EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest}));
    EXPECT_EQ(records.status, before.status);
    EXPECT_EQ(records.info, before.info);
    if (other) {
      system->Unplug(other);
      AwaitChange();
    }
  }
}

TEST_F(DiscoveryTest, AnotherHidDevicePluggedReattachesAndPollsOnlyAfterTheNewReply) {
  auto driver = PlugDriver(false);
  AwaitChange();
  AwaitText(kConnectedA);
  Tick();
  view.TakeLog();
  driver->SetReplier(nullptr);  // the next reply comes when the test sends it
  system->Plug(OtherTraits(u"USB Optical Mouse"));
  AwaitChange();
  EXPECT_EQ(view.deviceList, (std::vector<std::string>{"VMD220", "USB Optical Mouse"}));
  EXPECT_EQ(view.TakeLog(),
            (std::vector<std::string>{"Disconnected", "Disconnected", "Connected"}));
  EXPECT_TRUE(exchange.DeviceConnected);
  EXPECT_FALSE(view.polling);  // paused until the new info reply
  Tick();
  EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest, kInfoRequest}));
  driver->SendInput(InfoReport(102, "B", 100));
  AwaitText("Connected to VMD220 ver.: 1.02   B");
  EXPECT_TRUE(view.polling);
  Tick();
  EXPECT_EQ(driver->Writes(),
            (std::vector<Bytes>{kInfoRequest, kStatusRequest, kInfoRequest, kStatusRequest}));
}

TEST_F(DiscoveryTest, AChangeWithoutHidDevicesLeavesTheLinkAlone) {
  auto driver = PlugDriver(false);
  AwaitChange();
  AwaitText(kConnectedA);
  view.TakeLog();
  const int changes = view.deviceChanges;
  system->Announce();  // e.g. a USB stick plugged in
  ProcessPosted();
  EXPECT_EQ(view.deviceChanges, changes);
  EXPECT_TRUE(view.TakeLog().empty());
  EXPECT_TRUE(view.polling);
  Tick();
  EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest}));
}

TEST_F(DiscoveryTest, DriverThatCannotBeOpenedForReadingAndWritingIsNeverWrittenTo) {
  system->Plug(OtherTraits(u"USB Keyboard"), false);
  auto driver = PlugDriver(false, {}, /*readWrite=*/false);
  AwaitChange();
  EXPECT_EQ(view.TakeLog(),
            (std::vector<std::string>{"Disconnected", "Disconnected", "No connection"}));
  EXPECT_FALSE(exchange.DeviceConnected);
  ASSERT_NE(exchange.CurrentDevice, nullptr);  // it is the current device, but not connected
  EXPECT_FALSE(exchange.CurrentDevice->HasReadWriteAccess());
  exchange.ReadDataTimerTimer();
  exchange.SendCommand(CMD_GET_INFO);
  system->Plug(OtherTraits(u"USB Optical Mouse"));  // nothing is retried until a change...
  AwaitChange();
  EXPECT_EQ(view.connectionText, "No connection");  // ...which finds it the same
  EXPECT_EQ(driver->Writes(), kNoWrites);
}

TEST_F(DiscoveryTest, DriverThatCannotBeOpenedAtAllIsNotListed) {
  auto traits = DriverTraits();
  traits.queryable = false;
  auto driver = system->Plug(traits, false);
  AwaitChange();
  EXPECT_TRUE(view.deviceList.empty());
  EXPECT_EQ(view.connectionText, "No connection");
  EXPECT_EQ(driver->Writes(), kNoWrites);
}

TEST_F(DiscoveryTest, TwoDriversBothGetTheInfoRequestAndStatusGoesToTheLast) {
  auto first = PlugDriver(false, {InfoReport(101, "A", 100)});
  auto second = PlugDriver(false, {InfoReport(102, "B", 100)});
  AwaitChange();
  EXPECT_EQ(view.deviceList, (std::vector<std::string>{"VMD220", "VMD220"}));
  EXPECT_EQ(first->Writes(), std::vector<Bytes>{kInfoRequest});
  EXPECT_EQ(second->Writes(), std::vector<Bytes>{kInfoRequest});
  // Both replies reach the data handler.
  ASSERT_TRUE(SpinUntil([&] {
    const auto& log = view.log;
    return std::count(log.begin(), log.end(), kConnectedA) == 1 &&
           std::count(log.begin(), log.end(), "Connected to VMD220 ver.: 1.02   B") == 1;
  }));
  EXPECT_TRUE(exchange.DeviceConnected);
  ASSERT_NE(exchange.CurrentDevice, nullptr);
  Tick();
  Tick();
  EXPECT_EQ(first->Writes(), std::vector<Bytes>{kInfoRequest});
  EXPECT_EQ(second->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest, kStatusRequest}));
}

TEST_F(DiscoveryTest, LastDriverRefusedButAnEarlierOneAttachedEndsAtNoConnection) {
  auto first = system->Plug(DriverTraits(), false);  // answers when the test says so
  auto second = PlugDriver(false, {}, /*readWrite=*/false);
  AwaitChange();
  EXPECT_EQ(view.TakeLog(), (std::vector<std::string>{"Disconnected", "Disconnected", "Connected",
                                                      "No connection"}));
  EXPECT_FALSE(exchange.DeviceConnected);
  // The first driver's reply still comes: the full text over "No connection", polling on...
  first->SendInput(InfoReport(101, "A", 100));
  AwaitText(kConnectedA);
  EXPECT_EQ(view.connectionColour, testing::RecordingView::Colour::Off);
  EXPECT_TRUE(view.polling);
  Tick();  // ...whose ticks send nothing
  ProcessPosted();
  EXPECT_EQ(first->Writes(), std::vector<Bytes>{kInfoRequest});
  EXPECT_EQ(second->Writes(), kNoWrites);
}

TEST_F(DiscoveryTest, AReportAlreadyReadWhenTheDriverIsGivenBackArrivesNested) {
  auto driver = PlugDriver(false);
  AwaitChange();
  AwaitText(kConnectedA);
  view.TakeLog();
  // An info reply the read thread has read but not yet handed over when the change comes.
  driver->SendInput(InfoReport(102, "B", 100));
  ASSERT_TRUE(driver->WaitForReportsRead(2, 5000));
  discovery.JvHidDeviceController1DeviceChange();
  const std::string connectedB = "Connected to VMD220 ver.: 1.02   B";
  // Handed over while the driver was given back (before the enumeration), then the walk goes on.
  EXPECT_EQ(view.TakeLog(), (std::vector<std::string>{connectedB, "Disconnected", "Connected"}));
  EXPECT_FALSE(view.polling);
  AwaitText(kConnectedA);  // the reply to the new info request
  ProcessPosted();
  EXPECT_EQ(view.TakeLog(), std::vector<std::string>{kConnectedA});  // nothing handed over twice
  EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kInfoRequest}));
}

TEST_F(DiscoveryTest, WritesToADriverThatVanishedFailQuietly) {
  auto driver = PlugDriver(false);
  AwaitChange();
  AwaitText(kConnectedA);
  system->Unplug(driver, /*announce=*/false);  // gone, the change not yet seen
  EXPECT_NO_THROW(Tick());
  EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest}));
  system->Announce();
  AwaitChange();
  EXPECT_EQ(view.connectionText, "No connection");
}

TEST_F(DiscoveryTest, ADeviceTheComponentWillNotHandOutIsNeverAttached) {
  // A component that refuses the take (the driver held already) must not crash the walk.
  class RefusingController : public HidController {
   public:
    testing::RecordingDevice device;
    DeviceChangeHandler handler;
    void SetDeviceChangeHandler(DeviceChangeHandler h) override { handler = std::move(h); }
    void Enumerate(const EnumerateHandler& h) override { h(device, 0); }
    HidDevice* CheckOutByIndex(int) override { return nullptr; }
    void CheckIn(HidDevice*) override { ++checkIns; }
    int checkIns = 0;
  } refusing;
  View ownView;
  ReportExchange ownExchange{records, ownView};
  Discovery own{refusing, ownExchange, ownView};
  refusing.handler();
  EXPECT_EQ(ownView.connectionText, "No connection");
  EXPECT_FALSE(ownExchange.DeviceConnected);
  EXPECT_TRUE(refusing.device.writes.empty());
  refusing.handler();
  EXPECT_EQ(refusing.checkIns, 0);  // nothing held, nothing given back
}

}  // namespace
}  // namespace vmd
