#pragma once
// Device discovery and connection: finds the driver among the HID devices by its product string,
// attaches to it, and follows it being plugged in and out.

#include <string>
#include <vector>

#include "link/hid/hid_controller.h"
#include "link/link_view.h"
#include "link/report_exchange.h"

namespace vmd {

// One entry of the device list: the display name and the device taken for the program's use
// (null if the component would not hand it out).
struct DeviceListEntry {
  std::string name;
  HidDevice* device = nullptr;
};

// "Device VID=1234 PID=00AB" for a device with an empty product string, else the product string
// as 8-bit text.
std::string DeviceDisplayName(HidDevice& device);

class Discovery {
 public:
  // Installs JvHidDeviceController1DeviceChange as the controller's device-change handler; the
  // controller, the exchange and the view must outlive this object.
  Discovery(HidController& controller, ReportExchange& exchange, LinkView& view);
  // Removes the device-change handler. Devices still held stay taken, as at shutdown.
  ~Discovery();
  Discovery(const Discovery&) = delete;
  Discovery& operator=(const Discovery&) = delete;

  // Enumeration handler: lists and takes the device.
  bool JvHidDeviceController1Enumerate(HidDevice& hidDev, int idx);
  // Device-change handler: gives back all devices, enumerates afresh and attaches every driver.
  void JvHidDeviceController1DeviceChange();

  const std::vector<DeviceListEntry>& DeviceList() const { return deviceList_; }

 private:
  void Attach(HidDevice* device);

  HidController& controller_;
  ReportExchange& exchange_;
  LinkView& view_;
  std::vector<DeviceListEntry> deviceList_;
};

}  // namespace vmd
