// Number texts follow the user's decimal separator; this test runs with a German locale
// (LC_ALL=de_DE.UTF-8), whose separator is ",".
#include <gtest/gtest.h>

#include "app/main.h"
#include "common/number_text.h"
#include "tests/support/fake_driver.h"
#include "tests/support/recording_device.h"

namespace vmd {
namespace {

TEST(DecimalSeparator, ComesFromTheUsersLocale) {
  TForm1 form{nullptr};
  EXPECT_EQ(DecimalSeparator(), ",");

  testing::RecordingDevice device;
  const auto info = testing::InfoReport(101, "A", 0x96);
  form.Exchange().HidDataReceived(device, info[0], std::span(info).subspan(1));
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("Connected to VMD220 ver.: 1,01   A"));
  EXPECT_EQ(form.Label_HardwareVer->text(), QStringLiteral("-1,06"));

  form.Exchange().DeviceConnected = true;
  const auto status = testing::StatusReport({.potentiometer = 1650, .currentLimit = 1500});
  form.Exchange().HidDataReceived(device, status[0], std::span(status).subspan(1));
  form.DisplayDataTimer();
  EXPECT_EQ(form.LabVal_Potentiometer->text(), QStringLiteral("50,0 % "));
  EXPECT_EQ(form.Lab_WorkMode->text(),
            QStringLiteral("Speed set by 0-5V input (0,0 V )   Current limit max (1,50 A )"));
}

}  // namespace
}  // namespace vmd
