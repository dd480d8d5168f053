#pragma once
// The HID component: the device list, taking and giving back devices, enumeration and the
// device-change event, on top of a platform backend. The same code runs over the real system and
// over the in-memory devices of the tests. Main thread only.

#include <QObject>

#include <memory>
#include <vector>

#include "link/hid/hid_backend.h"
#include "link/hid/hid_controller.h"
#include "link/hid/hid_read_thread.h"
#include "link/hid/managed_hid_device.h"

namespace vmd {

class HidDeviceController : public QObject, public HidController {
  Q_OBJECT
 public:
  // Queues the first scan to run once the event loop runs.
  explicit HidDeviceController(std::unique_ptr<HidBackend> backend, QObject* parent = nullptr);
  // Stops every read thread (reports still waiting are dropped) and closes every device.
  ~HidDeviceController() override;

  void SetDeviceChangeHandler(DeviceChangeHandler handler) override;
  void Enumerate(const EnumerateHandler& handler) override;
  HidDevice* CheckOutByIndex(int index) override;
  void CheckIn(HidDevice* device) override;

  // Devices in the list (plugged in), for tools and tests.
  std::size_t DeviceCount() const { return devices_.size(); }

 private:
  class BusyScope;
  void OnAnnouncement();
  void Rescan();
  void RaiseDeviceChange();
  ManagedHidDevice* Find(const HidDevice* device) const;

  std::unique_ptr<HidBackend> backend_;  // first in, last out: devices close before it goes
  HidReportHandoff handoff_;
  std::vector<std::unique_ptr<ManagedHidDevice>> devices_;  // the list, plugged in
  std::vector<std::unique_ptr<ManagedHidDevice>> removed_;  // unplugged but still taken
  DeviceChangeHandler handler_;
  bool scanned_ = false;  // the first scan has run
  int busy_ = 0;          // inside the change handler or an enumeration
  bool announcedWhileBusy_ = false;
};

}  // namespace vmd
