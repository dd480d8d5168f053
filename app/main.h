#pragma once
// The monitor's one window: its controls, its two timers, the HID component, and the handlers that
// drive the program. Everything here runs on the main thread.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

#include "display/status_panel.h"
#include "link/discovery.h"
#include "link/hid/hid_controller.h"
#include "link/link_view.h"
#include "link/report_exchange.h"

namespace vmd {

class TForm1 : public QWidget, public LinkView {
 public:
  // `hidController` is the HID component the window owns for its whole run; without one (no HID
  // support) the window never sees a device change and stays at "No connection".
  explicit TForm1(std::unique_ptr<HidController> hidController, QWidget* parent = nullptr);
  ~TForm1() override;

  // Connection indicator (LinkView).
  void ShowNoConnection() override;
  void ShowDisconnected() override;
  void ShowConnected() override;
  void SetConnectionText(const std::string& text) override;
  void SetHardwareVersionText(const std::string& text) override;
  void EnablePolling() override;
  void ShowDeviceList(const std::vector<std::string>& names) override;

  // Handlers.
  void FormCreate();
  void DisplayDataTimer();
  void ReadDataTimerTimer();

  ReportExchange& Exchange() { return exchange_; }

  // Controls the program writes, by their names.
  QLineEdit* ConnectionStatus = nullptr;
  QLabel* Label_HardwareVer = nullptr;
  QLabel* Label_DriverStatus = nullptr;
  QLabel* Label_DriverError = nullptr;
  QLabel* Lab_WorkMode = nullptr;
  QLineEdit *SW1 = nullptr, *SW2 = nullptr, *SW3 = nullptr, *SW4 = nullptr, *SW5 = nullptr,
            *SW6 = nullptr;
  QLineEdit *IN1 = nullptr, *IN2 = nullptr, *IN3 = nullptr, *IN4 = nullptr;
  QLineEdit *OUT1 = nullptr, *OUT2 = nullptr;
  QLabel *LabVal_PowerSupply = nullptr, *LabVal_Temperature = nullptr,
         *LabVal_Potentiometer = nullptr, *LabVal_Ain = nullptr, *LabVal_CurLim = nullptr,
         *LabVal_CurAct = nullptr, *LabVal_PwmLim = nullptr, *LabVal_PwmAct = nullptr;
  QProgressBar *Pb_PowerSupply = nullptr, *Pb_Temperature = nullptr, *Pb_Potentiometer = nullptr,
               *Pb_AnalogInput = nullptr, *Pb_CurrentLimit = nullptr, *Pb_CurrentAct = nullptr,
               *Pb_PwmLimit = nullptr, *Pb_PwmAct = nullptr;
  QListWidget* ListBox1 = nullptr;  // the device list's names; never shown

  QTimer DisplayData;    // 40 ms, runs for the whole run
  QTimer ReadDataTimer;  // 40 ms, status polling, off until the driver identifies itself

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void CreateControls();
  // A 40 ms timer whose ticks run `handler` under the error dialog's guard.
  void SetUpTimer(QTimer& timer, const char* name, void (TForm1::*handler)());
  void ShowIndicator(const char* text, QColor background);
  void ShowPanel(const PanelContent& panel);

  // The panel's controls in the order of PanelContent.
  std::array<QLineEdit*, kBoxCount> onOffBoxes_{};
  std::array<QLabel*, kValueRowCount> valueLabels_{};
  std::array<QProgressBar*, kValueRowCount> valueBars_{};

  DriverRecords records_;
  ReportExchange exchange_{records_, *this};
  std::unique_ptr<HidController> JvHidDeviceController1;
  // Handles the component's device changes; made after the controls exist.
  std::unique_ptr<Discovery> discovery_;
};

}  // namespace vmd
