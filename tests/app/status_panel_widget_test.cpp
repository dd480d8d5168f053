// The status panel as the window draws it: texts and colours after a refresh, and no repaint when
// a refresh writes what the controls already show.
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "app/main.h"
#include "common/colours.h"
#include "tests/support/recording_device.h"

namespace vmd {
namespace {

QColor Colour(Rgb rgb) { return {rgb.red, rgb.green, rgb.blue}; }

// Counts paint events of every widget in a window.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* window) {
    for (QWidget* widget : window->findChildren<QWidget*>()) widget->installEventFilter(this);
  }
  int paints = 0;
  QStringList painted;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      painted << watched->objectName();
    }
    return false;
  }
};

class StatusPanelWidgetTest : public ::testing::Test {
 protected:
  TForm1 form{nullptr};
  testing::RecordingDevice device;

  void SetUp() override {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.DisplayData.stop();  // the test drives the refresh itself
    Receive(InfoReply({48000, 100, 1000, 3000}));
  }
  void Receive(const std::vector<std::uint8_t>& data) {
    form.Exchange().HidDataReceived(device, 1, data);
  }
  static std::vector<std::uint8_t> InfoReply(const TDriverLimits& limits) {
    std::vector<std::uint8_t> data(64, 0);
    data[0] = CMD_GET_INFO;
    const auto bytes = EncodeLimits(limits);
    std::copy(bytes.begin(), bytes.end(), data.begin() + 12);
    return data;
  }
  static std::vector<std::uint8_t> StatusReply(const TDriverStatus& status) {
    std::vector<std::uint8_t> data{CMD_GET_STATUS};
    const auto bytes = EncodeStatus(status);
    data.insert(data.end(), bytes.begin(), bytes.end());
    data.resize(64, 0);
    return data;
  }
  void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }
};

TEST_F(StatusPanelWidgetTest, NothingIsDrawnWhileNotConnected) {
  Receive(StatusReply({.inputs = 0x0F, .switches = 0x3F, .potentiometer = 1650}));
  form.DisplayDataTimer();
  EXPECT_EQ(form.SW1->text(), QStringLiteral("OFF"));
  EXPECT_EQ(form.SW1->palette().color(QPalette::Base),
            QApplication::palette().color(QPalette::Base));
  EXPECT_EQ(form.LabVal_Potentiometer->text(), QStringLiteral("0 %"));
  EXPECT_EQ(form.Label_DriverStatus->text(), QStringLiteral("Stop"));
}

TEST_F(StatusPanelWidgetTest, RefreshShowsBoxesValuesBarsStateAndWorkMode) {
  form.Exchange().DeviceConnected = true;
  Receive(StatusReply({.inputs = 0x05,
                       .outputs = 0x08,
                       .switches = 0x03,
                       .potentiometer = 1650,
                       .analogInput = 2550,
                       .errorCode = 2,
                       .driverState = 2,
                       .temperature = 70,
                       .currentAct = -1500,
                       .currentLimit = 1500,
                       .supplyVoltage = 24123,
                       .pwmAct = -300,
                       .pwmLimit = 1000}));
  form.DisplayDataTimer();

  const QLineEdit* on[] = {form.SW1, form.SW2, form.IN1, form.IN3, form.OUT1};
  const QLineEdit* off[] = {form.SW3, form.SW4, form.SW5, form.SW6, form.IN2, form.IN4, form.OUT2};
  for (const QLineEdit* box : on) {
    EXPECT_EQ(box->text(), QStringLiteral("ON")) << box->objectName().toStdString();
    EXPECT_EQ(box->palette().color(QPalette::Base), Colour(clIndicatorOn));
  }
  for (const QLineEdit* box : off) {
    EXPECT_EQ(box->text(), QStringLiteral("OFF")) << box->objectName().toStdString();
    EXPECT_EQ(box->palette().color(QPalette::Base), Colour(clIndicatorOff));
  }
  const std::pair<QLabel*, const char*> texts[] = {
      {form.LabVal_PowerSupply, "24 V "},     {form.LabVal_Temperature, "70 C"},
      {form.LabVal_Potentiometer, "50.0 % "}, {form.LabVal_Ain, "2.6 V "},
      {form.LabVal_CurLim, "1.50 A "},        {form.LabVal_CurAct, "-1.50 A "},
      {form.LabVal_PwmLim, "100 %"},          {form.LabVal_PwmAct, "-30 %"},
      {form.Label_DriverStatus, "Error: "},   {form.Label_DriverError, "Over temperature"},
  };
  for (const auto& [label, text] : texts) EXPECT_EQ(label->text(), QString::fromLatin1(text));
  EXPECT_EQ(
      form.Lab_WorkMode->text(),
      QStringLiteral(
          "Speed set by potentiometer (50.0 % )   Current limit set by 0-10V input (1.50 A )"));
  EXPECT_EQ(form.Label_DriverStatus->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  const std::pair<QProgressBar*, int> bars[] = {
      {form.Pb_PowerSupply, 50}, {form.Pb_Temperature, 70},  {form.Pb_Potentiometer, 50},
      {form.Pb_AnalogInput, 51}, {form.Pb_CurrentLimit, 50}, {form.Pb_CurrentAct, 0},
      {form.Pb_PwmLimit, 100},   {form.Pb_PwmAct, 30},
  };
  for (const auto& [bar, value] : bars)
    EXPECT_EQ(bar->value(), value) << bar->objectName().toStdString();
  // The labels grow with their texts.
  EXPECT_GE(form.Lab_WorkMode->width(),
            form.Lab_WorkMode->fontMetrics().horizontalAdvance(form.Lab_WorkMode->text()));
}

TEST_F(StatusPanelWidgetTest, NegativePositionEmptiesABarThatWasFull) {
  form.Exchange().DeviceConnected = true;
  Receive(StatusReply({.currentAct = 3000}));
  form.DisplayDataTimer();
  EXPECT_EQ(form.Pb_CurrentAct->value(), 100);
  Receive(StatusReply({.currentAct = -1500}));
  form.DisplayDataTimer();
  EXPECT_EQ(form.Pb_CurrentAct->value(), 0);
}

TEST_F(StatusPanelWidgetTest, UnknownStateAndErrorLeaveTheLabels) {
  form.Exchange().DeviceConnected = true;
  Receive(StatusReply({.errorCode = 2, .driverState = 1}));
  form.DisplayDataTimer();
  Receive(StatusReply({.errorCode = 9, .driverState = 7}));
  form.DisplayDataTimer();
  EXPECT_EQ(form.Label_DriverStatus->text(), QStringLiteral("Run"));
  EXPECT_EQ(form.Label_DriverStatus->palette().color(QPalette::WindowText), QColor(0, 128, 0));
  EXPECT_EQ(form.Label_DriverError->text(), QStringLiteral("Over temperature"));
}

TEST_F(StatusPanelWidgetTest, SteadyValuesRepaintNothing) {
  form.Exchange().DeviceConnected = true;
  Receive(StatusReply({.inputs = 0x0A,
                       .switches = 0x15,
                       .potentiometer = 1234,
                       .driverState = 1,
                       .currentAct = 700,
                       .supplyVoltage = 24000,
                       .pwmAct = 400}));
  form.DisplayDataTimer();
  Settle();

  PaintCounter counter(&form);
  form.DisplayDataTimer();
  Settle();
  EXPECT_EQ(counter.paints, 0) << counter.painted.join(QLatin1Char(' ')).toStdString();

  // A changed value repaints its own controls (and the counter sees it).
  Receive(StatusReply({.inputs = 0x0A,
                       .switches = 0x15,
                       .potentiometer = 1234,
                       .driverState = 1,
                       .currentAct = 1700,
                       .supplyVoltage = 24000,
                       .pwmAct = 400}));
  form.DisplayDataTimer();
  Settle();
  EXPECT_TRUE(counter.painted.contains(QStringLiteral("LabVal_CurAct")));
  EXPECT_TRUE(counter.painted.contains(QStringLiteral("Pb_CurrentAct")));
  EXPECT_FALSE(counter.painted.contains(QStringLiteral("SW1")));
}

}  // namespace
}  // namespace vmd
