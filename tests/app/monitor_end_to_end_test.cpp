// The whole monitor on the in-memory HID component: the driver is plugged in, identifies itself,
// is polled, and its status is drawn; then it goes away and comes back.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/main.h"
#include "common/colours.h"
#include "link/hid/fake/fake_hid.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_driver.h"

namespace vmd {
namespace {

using testing::SpinUntil;

std::size_t CountWrites(const fake::FakeHidDevice& device, std::uint8_t command) {
  std::size_t count = 0;
  for (const auto& report : device.Writes()) {
    EXPECT_EQ(report, testing::CommandReport(report.size() > 1 ? report[1] : 0))
        << "every write is a padded command";
    if (report.size() > 1 && report[1] == command) ++count;
  }
  return count;
}

class MonitorEndToEndTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::FakeHidSystem> system = std::make_shared<fake::FakeHidSystem>();
  std::unique_ptr<TForm1> form;

  void Start() {
    form = std::make_unique<TForm1>(fake::CreateFakeHidController(system));
    form->show();
  }
  QString Indicator() const { return form->ConnectionStatus->text(); }
};

TEST_F(MonitorEndToEndTest, FromPlugInToTheDrawnPanelAndBack) {
  system->Plug(testing::OtherTraits(u"USB Keyboard"), false);
  Start();
  ASSERT_TRUE(SpinUntil([&] { return Indicator() == QStringLiteral("Disconnected"); }));
  EXPECT_EQ(form->ListBox1->count(), 1);

  testing::DriverAnswers answers;
  answers.info = testing::InfoReport(101, "A", 0x96);
  answers.status = {.inputs = 0x01,
                    .outputs = 0x10,
                    .switches = 0x01,
                    .potentiometer = 1650,
                    .analogInput = 2500,
                    .driverState = 1,
                    .temperature = 45,
                    .currentAct = 1200,
                    .currentLimit = 1500,
                    .supplyVoltage = 24123,
                    .pwmAct = 500,
                    .pwmLimit = 800};
  auto driver = system->Plug(testing::DriverTraits());
  driver->SetReplier(testing::DriverReplier(answers));

  ASSERT_TRUE(SpinUntil(
      [&] { return Indicator() == QStringLiteral("Connected to VMD220 ver.: 1.01   A"); }));
  EXPECT_EQ(form->ConnectionStatus->palette().color(QPalette::Base),
            QColor(clIndicatorOn.red, clIndicatorOn.green, clIndicatorOn.blue));
  EXPECT_EQ(form->Label_HardwareVer->text(), QStringLiteral("-1.06"));
  EXPECT_EQ(form->ListBox1->count(), 2);
  EXPECT_EQ(form->ListBox1->item(1)->text(), QStringLiteral("VMD220"));

  // Polling brings the status, and the display timer draws it.
  ASSERT_TRUE(
      SpinUntil([&] { return form->LabVal_Potentiometer->text() == QStringLiteral("50.0 % "); }));
  EXPECT_EQ(form->LabVal_PowerSupply->text(), QStringLiteral("24 V "));
  EXPECT_EQ(form->LabVal_CurAct->text(), QStringLiteral("1.20 A "));
  EXPECT_EQ(form->LabVal_PwmAct->text(), QStringLiteral("50 %"));
  EXPECT_EQ(form->Label_DriverStatus->text(), QStringLiteral("Run"));
  EXPECT_EQ(form->IN1->text(), QStringLiteral("ON"));
  EXPECT_EQ(form->OUT2->text(), QStringLiteral("ON"));
  EXPECT_EQ(form->Lab_WorkMode->text(),
            QStringLiteral("Speed set by potentiometer (50.0 % )   Current limit max (1.50 A )"));
  EXPECT_EQ(form->Pb_Potentiometer->value(), 50);
  EXPECT_EQ(CountWrites(*driver, CMD_GET_INFO), 1u);
  EXPECT_GE(CountWrites(*driver, CMD_GET_STATUS), 1u);

  // Unplugged: polling stops, the panel keeps its values.
  system->Unplug(driver);
  ASSERT_TRUE(SpinUntil([&] { return Indicator() == QStringLiteral("Disconnected"); }));
  EXPECT_FALSE(form->ReadDataTimer.isActive());
  const std::size_t writesAfterUnplug = driver->Writes().size();
  QTest::qWait(150);
  EXPECT_EQ(driver->Writes().size(), writesAfterUnplug);
  EXPECT_EQ(form->LabVal_Potentiometer->text(), QStringLiteral("50.0 % "));

  // Plugged again: identified and polled again.
  auto again = system->Plug(testing::DriverTraits());
  answers.status.potentiometer = 3300;
  again->SetReplier(testing::DriverReplier(answers));
  ASSERT_TRUE(
      SpinUntil([&] { return form->LabVal_Potentiometer->text() == QStringLiteral("100.0 % "); }));
  EXPECT_TRUE(form->ReadDataTimer.isActive());
}

TEST_F(MonitorEndToEndTest, NoDeviceAtAllStaysAtNoConnection) {
  Start();
  ASSERT_TRUE(SpinUntil([&] { return system->Scans() > 0; }));
  testing::ProcessPosted();
  EXPECT_EQ(Indicator(), QStringLiteral("No connection"));
  EXPECT_EQ(form->ListBox1->count(), 0);
}

}  // namespace
}  // namespace vmd
