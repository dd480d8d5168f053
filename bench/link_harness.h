#pragma once
// The device link as the program builds it (the system's HID component, discovery and report
// exchange), with a window stand-in that records what the link shows and polls on a real 40 ms
// timer, and a transparent layer over the component that records every write the link makes.
// The layer can also break the link on purpose, to prove that the bench notices.

#include <QTimer>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/discovery.h"
#include "link/hid/hid_controller.h"
#include "link/link_view.h"
#include "link/report_exchange.h"

namespace vmd::bench {

enum class Breakage {
  None,
  ProductName,    // the product string loses its last character on the way
  UnpaddedWrite,  // output reports are written without their zero padding
};

// What the window would show, with the time (monotonic ms) of each indicator text.
class BenchView : public LinkView {
 public:
  explicit BenchView(std::function<void()> pollTick);
  void ShowNoConnection() override { Indicator("No connection", true); }
  void ShowDisconnected() override { Indicator("Disconnected", true); }
  void ShowConnected() override { Indicator("Connected", false); }
  void SetConnectionText(const std::string& text) override;
  void SetHardwareVersionText(const std::string& text) override { hardwareVersion = text; }
  void EnablePolling() override;
  void ShowDeviceList(const std::vector<std::string>& names) override { deviceList = names; }

  bool Polling() const { return ReadDataTimer.isActive(); }

  std::string connectionText;
  std::string hardwareVersion = "0";
  std::vector<std::string> deviceList;
  std::vector<std::pair<std::int64_t, std::string>> log;  // indicator texts in order
  QTimer ReadDataTimer;

 private:
  void Indicator(const std::string& text, bool stopPolling);
};

// One write the link made: the report as the link framed it, and the write's result.
struct WriteRecord {
  std::int64_t ms = 0;
  std::string product;  // product string of the device written to, as 8-bit text
  std::string hex;
  bool ok = false;
};

class RecordingController : public HidController {
 public:
  RecordingController(std::unique_ptr<HidController> inner, Breakage breakage);
  ~RecordingController() override;
  void SetDeviceChangeHandler(DeviceChangeHandler handler) override;
  void Enumerate(const EnumerateHandler& handler) override;
  HidDevice* CheckOutByIndex(int index) override;
  void CheckIn(HidDevice* device) override;

  std::vector<WriteRecord> writes;

 private:
  class Proxy;
  Proxy& ProxyFor(HidDevice& device);
  std::unique_ptr<HidController> inner_;
  Breakage breakage_;
  std::map<HidDevice*, std::unique_ptr<Proxy>> proxies_;
};

// The link of the program: component, exchange, discovery and the recording window stand-in.
struct Link {
  explicit Link(Breakage breakage);
  ~Link();
  DriverRecords records;
  BenchView view;
  ReportExchange exchange{records, view};
  RecordingController* controller = nullptr;  // owned by `owner`
  std::unique_ptr<HidController> owner;
  std::unique_ptr<Discovery> discovery;
};

}  // namespace vmd::bench
