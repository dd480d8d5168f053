// The window's controls at their places: frames in the client area, controls inside their frame,
// all in pixels of a 96-dpi screen (the toolkit scales them on other screens).

#include <QWidget>

#include "app/controls.h"
#include "app/fonts.h"
#include "app/main.h"

namespace vmd {
namespace {

const QString kOff = QStringLiteral("OFF");
constexpr int kRowPitch = 27;  // vertical distance of the ON/OFF rows

// A column of ON/OFF boxes with their captions beside them.
void MakeOnOffRows(QWidget* frame, int boxX,
                   std::initializer_list<std::pair<QLineEdit**, const char*>> boxes,
                   std::initializer_list<const char*> captions) {
  int row = 0;
  for (const auto& [box, name] : boxes) {
    *box = MakeEditBox(frame, name, boxX, 24 + kRowPitch * row, 36, 21, true, kOff);
    ++row;
  }
  row = 0;
  for (const char* caption : captions) {
    MakeLabel(frame, QString::fromLatin1(caption), 55, 25 + kRowPitch * row);
    ++row;
  }
}

}  // namespace

void TForm1::CreateControls() {
  setFont(WindowFont(11));

  QGroupBox* top = MakeFrame(this, {}, 8, 2, 646, 36);
  MakeLabel(top, QStringLiteral("Connection status"), 8, 8);
  ConnectionStatus = MakeEditBox(top, "ConnectionStatus", 115, 5, 349, 21, false, {});
  MakeLabel(top, QStringLiteral("Hardware version:"), 478, 6);
  Label_HardwareVer = MakeLabel(top, QStringLiteral("0"), 590, 6, 13, "Label_HardwareVer");

  QGroupBox* driver = MakeFrame(this, {}, 8, 44, 646, 72);
  MakeLabel(driver, QStringLiteral("Driver status:"), 26, 12);
  Label_DriverStatus = MakeLabel(driver, QStringLiteral("Stop"), 122, 6, 19, "Label_DriverStatus");
  Label_DriverError = MakeLabel(driver, QStringLiteral("None"), 181, 6, 19, "Label_DriverError");
  SetTextColour(Label_DriverError, Qt::red);
  MakeLabel(driver, QStringLiteral("Work mode: "), 26, 45);
  Lab_WorkMode = MakeLabel(driver, QStringLiteral("---"), 122, 45, 13, "Lab_WorkMode");

  QGroupBox* switches = MakeFrame(this, QStringLiteral("Config switches "), 8, 122, 169, 241);
  MakeOnOffRows(
      switches, 11,
      {{&SW1, "SW1"}, {&SW2, "SW2"}, {&SW3, "SW3"}, {&SW4, "SW4"}, {&SW5, "SW5"}, {&SW6, "SW6"}},
      {"S1- Pot. internal", "S2- Pot. cur. limit", "S3- Soft start", "S4- Brake on",
       "S5- Limit in. level", "S6- Auto reverse"});

  QGroupBox* inputs = MakeFrame(this, QStringLiteral("Inputs"), 184, 122, 161, 137);
  MakeOnOffRows(inputs, 11, {{&IN1, "IN1"}, {&IN2, "IN2"}, {&IN3, "IN3"}, {&IN4, "IN4"}},
                {"IN Enable", "IN Direction", "IN Limit positive", "IN Limit negative"});

  QGroupBox* outputs = MakeFrame(this, QStringLiteral("Outputs"), 184, 265, 161, 98);
  MakeOnOffRows(outputs, 13, {{&OUT1, "OUT1"}, {&OUT2, "OUT2"}}, {"OUT Error", "OUT Curr. limit"});

  QGroupBox* values = MakeFrame(this, QStringLiteral("Actual values"), 351, 122, 303, 241);
  struct Row {
    const char* caption;
    int labelTop;
    int barTop;
    QLabel** value;
    const char* valueName;
    const char* initialText;
    QProgressBar** bar;
    const char* barName;
  };
  const Row rows[] = {
      {"Power supply:", 25, 24, &LabVal_PowerSupply, "LabVal_PowerSupply", "0V", &Pb_PowerSupply,
       "Pb_PowerSupply"},
      {"Temperature: ", 47, 47, &LabVal_Temperature, "LabVal_Temperature", "0 st. C",
       &Pb_Temperature, "Pb_Temperature"},
      {"Potentiometer: ", 79, 80, &LabVal_Potentiometer, "LabVal_Potentiometer", "0 %",
       &Pb_Potentiometer, "Pb_Potentiometer"},
      {"Analog  input: ", 101, 103, &LabVal_Ain, "LabVal_Ain", "0 V", &Pb_AnalogInput,
       "Pb_AnalogInput"},
      {"Current limit:", 131, 130, &LabVal_CurLim, "LabVal_CurLim", "0 A", &Pb_CurrentLimit,
       "Pb_CurrentLimit"},
      {"Current act:", 153, 152, &LabVal_CurAct, "LabVal_CurAct", "0 A", &Pb_CurrentAct,
       "Pb_CurrentAct"},
      {"PWM limit: ", 186, 185, &LabVal_PwmLim, "LabVal_PwmLim", "0 %", &Pb_PwmLimit,
       "Pb_PwmLimit"},
      {"PWM act: ", 208, 207, &LabVal_PwmAct, "LabVal_PwmAct", "0 %", &Pb_PwmAct, "Pb_PwmAct"},
  };
  for (const Row& row : rows) {
    QLabel* caption = MakeLabel(values, QString::fromLatin1(row.caption), 10, row.labelTop);
    if (row.bar == &Pb_PwmAct)
      caption->setToolTip(QStringLiteral("Actual % value of power supply that supply motor "));
    *row.value = MakeLabel(values, QString::fromLatin1(row.initialText), 106, row.labelTop, 13,
                           row.valueName);
    *row.bar = MakeBar(values, row.barName, 168, row.barTop);
  }

  auto* bottomStrip = new QWidget(this);
  bottomStrip->setObjectName(QStringLiteral("BottomStrip"));
  bottomStrip->setGeometry(0, 374, 662, 25);

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setSortingEnabled(false);
  ListBox1->setFocusPolicy(Qt::NoFocus);
  ListBox1->hide();

  // Tab order: the inputs, the switches, the outputs, the connection status, and round again.
  QWidget* const chain[] = {
      IN1, IN2, IN3, IN4, SW1, SW2, SW3, SW4, SW5, SW6, OUT1, OUT2, ConnectionStatus};
  for (std::size_t i = 0; i + 1 < std::size(chain); ++i) setTabOrder(chain[i], chain[i + 1]);
  IN1->setFocus();
}

}  // namespace vmd
