#include "app/main.h"

#include <QEvent>

#include "app/controls.h"
#include "app/error_dialog.h"
#include "app/locale_settings.h"
#include "common/colours.h"
#include "common/driver_identity.h"
#include "common/number_text.h"

namespace vmd {
namespace {

constexpr int kTickMilliseconds = 40;
constexpr int kClientWidth = 662;
constexpr int kClientHeight = 399;

QString FromEightBit(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TForm1::TForm1(std::unique_ptr<HidController> hidController, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      JvHidDeviceController1(std::move(hidController)) {
  setObjectName(QStringLiteral("Form1"));
  setFixedSize(kClientWidth, kClientHeight);
  CreateControls();
  onOffBoxes_ = {SW1, SW2, SW3, SW4, SW5, SW6, IN1, IN2, IN3, IN4, OUT1, OUT2};
  valueLabels_ = {LabVal_PowerSupply, LabVal_Temperature, LabVal_Potentiometer, LabVal_Ain,
                  LabVal_CurLim,      LabVal_CurAct,      LabVal_PwmLim,        LabVal_PwmAct};
  valueBars_ = {Pb_PowerSupply,  Pb_Temperature, Pb_Potentiometer, Pb_AnalogInput,
                Pb_CurrentLimit, Pb_CurrentAct,  Pb_PwmLimit,      Pb_PwmAct};
  ReadDecimalSeparator();
  WatchRegionalSettings();

  SetUpTimer(DisplayData, "DisplayData", &TForm1::DisplayDataTimer);
  SetUpTimer(ReadDataTimer, "ReadDataTimer", &TForm1::ReadDataTimerTimer);
  DisplayData.start();

  if (JvHidDeviceController1)
    discovery_ = std::make_unique<Discovery>(*JvHidDeviceController1, exchange_, *this);

  RunEventHandler([this] { FormCreate(); });
}

void TForm1::SetUpTimer(QTimer& timer, const char* name, void (TForm1::*handler)()) {
  timer.setObjectName(QString::fromLatin1(name));
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(kTickMilliseconds);
  connect(&timer, &QTimer::timeout, this,
          [this, handler] { RunEventHandler([this, handler] { (this->*handler)(); }); });
}

TForm1::~TForm1() {
  // The discovery goes first, while the component it handles still exists.
  discovery_.reset();
}

void TForm1::FormCreate() {
  ShowNoConnection();
  setWindowTitle(QString::fromLatin1(ApplicationTitle.data(),
                                     static_cast<qsizetype>(ApplicationTitle.size())) +
                 QStringLiteral("  ") +
                 QString::fromLatin1(ProgramVersionText.data(),
                                     static_cast<qsizetype>(ProgramVersionText.size())));
}

// --- Connection indicator -------------------------------------------------------------------

void TForm1::ShowIndicator(const char* text, QColor background) {
  SetText(ConnectionStatus, QString::fromLatin1(text));
  SetBackground(ConnectionStatus, background);
}

void TForm1::ShowNoConnection() {
  ShowIndicator("No connection", ToQColor(clIndicatorOff));
  ReadDataTimer.stop();
}

void TForm1::ShowDisconnected() {
  ShowIndicator("Disconnected", ToQColor(clIndicatorOff));
  ReadDataTimer.stop();
}

void TForm1::ShowConnected() { ShowIndicator("Connected", ToQColor(clIndicatorOn)); }

void TForm1::SetConnectionText(const std::string& text) {
  SetText(ConnectionStatus, FromEightBit(text));
}

void TForm1::SetHardwareVersionText(const std::string& text) {
  SetText(Label_HardwareVer, FromEightBit(text));
}

void TForm1::EnablePolling() {
  if (!ReadDataTimer.isActive()) ReadDataTimer.start();
}

void TForm1::ShowDeviceList(const std::vector<std::string>& names) {
  ListBox1->clear();
  for (const std::string& name : names) ListBox1->addItem(FromEightBit(name));
}

// --- Timers ---------------------------------------------------------------------------------

void TForm1::ReadDataTimerTimer() { exchange_.ReadDataTimerTimer(); }

void TForm1::DisplayDataTimer() {
  if (!exchange_.DeviceConnected) return;
  try {
    ShowPanel(StatusPanelContent(records_.status, records_.limits, DecimalSeparator()));
  } catch (...) {
    // A failed refresh leaves the rest of this tick undone; the next tick draws again.
  }
}

// Writes every control of the panel; controls that already show their value stay untouched.
void TForm1::ShowPanel(const PanelContent& panel) {
  for (std::size_t i = 0; i < kBoxCount; ++i) {
    SetText(onOffBoxes_[i], FromEightBit(panel.boxes[i].look.text));
    SetBackground(onOffBoxes_[i], ToQColor(panel.boxes[i].look.background));
  }
  for (std::size_t i = 0; i < kValueRowCount; ++i) {
    SetText(valueLabels_[i], FromEightBit(panel.values[i].caption));
    SetPosition(valueBars_[i], panel.values[i].barPosition);
  }
  if (panel.driverState) {
    SetText(Label_DriverStatus, FromEightBit(panel.driverState->caption));
    SetTextColour(Label_DriverStatus, ToQColor(panel.driverState->fontColour));
  }
  if (panel.driverError) SetText(Label_DriverError, FromEightBit(*panel.driverError));
  SetText(Lab_WorkMode, FromEightBit(panel.workMode));
}

// --- System announcements -------------------------------------------------------------------

void TForm1::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) ReadDecimalSeparator();
  QWidget::changeEvent(event);
}

}  // namespace vmd
