#include "app/main.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>

#include <gtest/gtest.h>

#include "app/error_dialog.h"
#include "common/colours.h"
#include "tests/app/dialog_log.h"

namespace vmd {
namespace {

QColor Colour(Rgb rgb) { return {rgb.red, rgb.green, rgb.blue}; }

class MainWindowTest : public ::testing::Test {
 protected:
  TForm1 form{nullptr};

  QLabel* LabelWithText(const QString& text) {
    for (QLabel* label : form.findChildren<QLabel*>())
      if (label->text() == text) return label;
    ADD_FAILURE() << "no label " << text.toStdString();
    return nullptr;
  }
  template <typename T = QWidget>
  T* Named(const char* name) {
    T* widget = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  // Position of `widget` in the window's client area.
  static QPoint InClientArea(QWidget* widget) {
    return widget->mapTo(widget->window(), QPoint(0, 0));
  }
};

TEST_F(MainWindowTest, FixedClientAreaWithoutMaximise) {
  EXPECT_EQ(form.size(), QSize(662, 399));
  EXPECT_EQ(form.minimumSize(), QSize(662, 399));
  EXPECT_EQ(form.maximumSize(), QSize(662, 399));
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("VMD220-PC  1.01"));
  EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("VMD220-PC"));
  EXPECT_FALSE(QApplication::windowIcon().isNull());
}

TEST_F(MainWindowTest, LabelsStandAtTheirPlaces) {
  // Positions in the client area: frame origin + position in the frame.
  const struct {
    const char* text;
    int x, y;
    int pixelHeight;
  } labels[] = {
      {"Connection status", 8 + 8, 2 + 8, 13},
      {"Hardware version:", 8 + 478, 2 + 6, 13},
      {"0", 8 + 590, 2 + 6, 13},
      {"Driver status:", 8 + 26, 44 + 12, 13},
      {"Stop", 8 + 122, 44 + 6, 19},
      {"None", 8 + 181, 44 + 6, 19},
      {"Work mode: ", 8 + 26, 44 + 45, 13},
      {"---", 8 + 122, 44 + 45, 13},
      {"S1- Pot. internal", 8 + 55, 122 + 25, 13},
      {"S6- Auto reverse", 8 + 55, 122 + 25 + 135, 13},
      {"IN Enable", 184 + 55, 122 + 25, 13},
      {"IN Limit negative", 184 + 55, 122 + 25 + 81, 13},
      {"OUT Error", 184 + 55, 265 + 25, 13},
      {"OUT Curr. limit", 184 + 55, 265 + 52, 13},
      {"Power supply:", 351 + 10, 122 + 25, 13},
      {"0V", 351 + 106, 122 + 25, 13},
      {"Temperature: ", 351 + 10, 122 + 47, 13},
      {"0 st. C", 351 + 106, 122 + 47, 13},
      {"Potentiometer: ", 351 + 10, 122 + 79, 13},
      {"Analog  input: ", 351 + 10, 122 + 101, 13},
      {"Current limit:", 351 + 10, 122 + 131, 13},
      {"Current act:", 351 + 10, 122 + 153, 13},
      {"PWM limit: ", 351 + 10, 122 + 186, 13},
      {"PWM act: ", 351 + 10, 122 + 208, 13},
  };
  for (const auto& expected : labels) {
    QLabel* label = LabelWithText(QString::fromLatin1(expected.text));
    if (label == nullptr) continue;
    EXPECT_EQ(InClientArea(label), QPoint(expected.x, expected.y)) << expected.text;
    EXPECT_EQ(label->font().pixelSize(), expected.pixelHeight) << expected.text;
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
        << expected.text;
  }
}

TEST_F(MainWindowTest, ValueLabelsAndBarsFormTheRowsOfActualValues) {
  const struct {
    const char* value;
    const char* text;
    const char* bar;
    int top, barTop;
  } rows[] = {
      {"LabVal_PowerSupply", "0V", "Pb_PowerSupply", 25, 24},
      {"LabVal_Temperature", "0 st. C", "Pb_Temperature", 47, 47},
      {"LabVal_Potentiometer", "0 %", "Pb_Potentiometer", 79, 80},
      {"LabVal_Ain", "0 V", "Pb_AnalogInput", 101, 103},
      {"LabVal_CurLim", "0 A", "Pb_CurrentLimit", 131, 130},
      {"LabVal_CurAct", "0 A", "Pb_CurrentAct", 153, 152},
      {"LabVal_PwmLim", "0 %", "Pb_PwmLimit", 186, 185},
      {"LabVal_PwmAct", "0 %", "Pb_PwmAct", 208, 207},
  };
  for (const auto& row : rows) {
    auto* value = Named<QLabel>(row.value);
    auto* bar = Named<QProgressBar>(row.bar);
    ASSERT_TRUE(value && bar);
    EXPECT_EQ(value->text(), QString::fromLatin1(row.text));
    EXPECT_EQ(InClientArea(value), QPoint(351 + 106, 122 + row.top)) << row.value;
    EXPECT_EQ(bar->geometry(), QRect(168, row.barTop, 75, 17)) << row.bar;
    EXPECT_EQ(InClientArea(bar), QPoint(351 + 168, 122 + row.barTop)) << row.bar;
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(bar->isTextVisible());
  }
}

TEST_F(MainWindowTest, EditBoxesAndFrames) {
  auto* status = Named<QLineEdit>("ConnectionStatus");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(QRect(InClientArea(status), status->size()), QRect(8 + 115, 2 + 5, 349, 21));
  EXPECT_FALSE(status->isReadOnly());
  EXPECT_EQ(status->font().pixelSize(), 11);

  const struct {
    const char* name;
    int x, y;
  } boxes[] = {
      {"SW1", 8 + 11, 122 + 24},    {"SW2", 8 + 11, 122 + 51},    {"SW3", 8 + 11, 122 + 78},
      {"SW4", 8 + 11, 122 + 105},   {"SW5", 8 + 11, 122 + 132},   {"SW6", 8 + 11, 122 + 159},
      {"IN1", 184 + 11, 122 + 24},  {"IN2", 184 + 11, 122 + 51},  {"IN3", 184 + 11, 122 + 78},
      {"IN4", 184 + 11, 122 + 105}, {"OUT1", 184 + 13, 265 + 24}, {"OUT2", 184 + 13, 265 + 51},
  };
  const QColor windowColour = QApplication::palette().color(QPalette::Base);
  for (const auto& box : boxes) {
    auto* edit = Named<QLineEdit>(box.name);
    if (edit == nullptr) continue;
    EXPECT_EQ(QRect(InClientArea(edit), edit->size()), QRect(box.x, box.y, 36, 21)) << box.name;
    EXPECT_TRUE(edit->isReadOnly()) << box.name;
    EXPECT_EQ(edit->text(), QStringLiteral("OFF")) << box.name;
    EXPECT_EQ(edit->palette().color(QPalette::Base), windowColour) << box.name;
    EXPECT_EQ(edit->font().pixelSize(), 11) << box.name;
  }

  QStringList captions;
  for (QGroupBox* frame : form.findChildren<QGroupBox*>()) {
    captions << frame->title();
    EXPECT_EQ(frame->font().pixelSize(), 11);
  }
  captions.sort();
  EXPECT_EQ(captions,
            (QStringList{"", "", "Actual values", "Config switches ", "Inputs", "Outputs"}));
  auto* strip = Named("BottomStrip");
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->geometry(), QRect(0, 374, 662, 25));
}

TEST_F(MainWindowTest, FontsAreTahomaAndTheErrorLabelIsRed) {
  EXPECT_EQ(QFontInfo(Named<QLabel>("Label_DriverStatus")->font()).family(),
            QStringLiteral("Tahoma"));
  EXPECT_EQ(QFontInfo(Named<QLineEdit>("IN1")->font()).family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(form.Label_DriverError->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(form.Label_DriverStatus->palette().color(QPalette::WindowText),
            QApplication::palette().color(QPalette::WindowText));
}

TEST_F(MainWindowTest, OnlyThePwmCaptionHasATooltip) {
  for (QWidget* widget : form.findChildren<QWidget*>()) {
    auto* label = qobject_cast<QLabel*>(widget);
    if (label != nullptr && label->text() == QStringLiteral("PWM act: "))
      EXPECT_EQ(label->toolTip(),
                QStringLiteral("Actual % value of power supply that supply motor "));
    else
      EXPECT_TRUE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, StartsWithNoConnectionAndOnlyTheDisplayTimer) {
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("No connection"));
  EXPECT_EQ(form.ConnectionStatus->palette().color(QPalette::Base), Colour(clIndicatorOff));
  EXPECT_TRUE(form.DisplayData.isActive());
  EXPECT_EQ(form.DisplayData.interval(), 40);
  EXPECT_FALSE(form.ReadDataTimer.isActive());
  EXPECT_EQ(form.ReadDataTimer.interval(), 40);
  EXPECT_FALSE(form.Exchange().DeviceConnected);
  EXPECT_TRUE(form.ListBox1->isHidden());
}

TEST_F(MainWindowTest, IndicatorStates) {
  const QColor textColour = form.ConnectionStatus->palette().color(QPalette::Text);
  form.ShowConnected();
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("Connected"));
  EXPECT_EQ(form.ConnectionStatus->palette().color(QPalette::Base), Colour(clIndicatorOn));
  EXPECT_FALSE(form.ReadDataTimer.isActive());  // connecting does not start polling

  form.EnablePolling();
  const int timerId = form.ReadDataTimer.timerId();
  form.EnablePolling();
  EXPECT_EQ(form.ReadDataTimer.timerId(), timerId);  // rhythm not restarted
  form.ShowConnected();
  EXPECT_TRUE(form.ReadDataTimer.isActive());

  form.ShowDisconnected();
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("Disconnected"));
  EXPECT_EQ(form.ConnectionStatus->palette().color(QPalette::Base), Colour(clIndicatorOff));
  EXPECT_FALSE(form.ReadDataTimer.isActive());

  form.EnablePolling();
  form.ShowNoConnection();
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("No connection"));
  EXPECT_FALSE(form.ReadDataTimer.isActive());
  EXPECT_EQ(form.ConnectionStatus->palette().color(QPalette::Text), textColour);
}

TEST_F(MainWindowTest, TypedTextStaysUntilTheNextIndicatorWrite) {
  form.show();
  form.ConnectionStatus->setFocus();
  form.ConnectionStatus->selectAll();
  QTest::keyClicks(form.ConnectionStatus, QStringLiteral("hello"));
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("hello"));
  QTest::qWait(100);  // timers tick; nothing rewrites the box
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("hello"));
  form.SetConnectionText("Connected to VMD220 ver.: 1.01   A");
  EXPECT_EQ(form.ConnectionStatus->text(), QStringLiteral("Connected to VMD220 ver.: 1.01   A"));

  // The ON/OFF boxes cannot be typed into.
  QTest::keyClicks(form.SW1, QStringLiteral("x"));
  EXPECT_EQ(form.SW1->text(), QStringLiteral("OFF"));
}

TEST_F(MainWindowTest, TabOrderRunsInputsSwitchesOutputsStatusAndRound) {
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(QApplication::focusWidget(), form.IN1);

  const QWidget* expected[] = {form.IN2, form.IN3,  form.IN4,  form.SW1,
                               form.SW2, form.SW3,  form.SW4,  form.SW5,
                               form.SW6, form.OUT1, form.OUT2, form.ConnectionStatus,
                               form.IN1};
  for (const QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), form.ConnectionStatus);
}

TEST_F(MainWindowTest, HardwareVersionLabelFollowsItsText) {
  form.SetHardwareVersionText("-1.06");
  EXPECT_EQ(form.Label_HardwareVer->text(), QStringLiteral("-1.06"));
  EXPECT_GE(form.Label_HardwareVer->width(),
            form.Label_HardwareVer->fontMetrics().horizontalAdvance(QStringLiteral("-1.06")));
  EXPECT_EQ(InClientArea(form.Label_HardwareVer), QPoint(8 + 590, 2 + 6));
}

// An object whose event handling fails, standing for any failing handler.
class FailingReceiver : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
    if (event->type() == QEvent::User + 1) throw 42;
    return QObject::event(event);
  }
};

TEST(ErrorDialog, FailuresInEventHandlersAreShownAndTheProgramGoesOn) {
  testing::DialogLog().clear();
  FailingReceiver receiver;
  QEvent failing(QEvent::User);
  QCoreApplication::sendEvent(&receiver, &failing);
  QEvent strange(static_cast<QEvent::Type>(QEvent::User + 1));
  QCoreApplication::sendEvent(&receiver, &strange);
  QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  EXPECT_EQ(testing::DialogLog(), (QStringList{"handler failed", "", "handler failed"}));

  testing::DialogLog().clear();
  RunEventHandler([] { throw std::logic_error("timer failed"); });
  EXPECT_EQ(testing::DialogLog(), QStringList{"timer failed"});
}

}  // namespace
}  // namespace vmd
