#include "link/discovery.h"

#include <cstdio>

#include "common/driver_identity.h"
#include "common/eight_bit_text.h"

namespace vmd {

std::string DeviceDisplayName(HidDevice& device) {
  const std::u16string& product = device.ProductString();
  if (!product.empty()) return EightBitFromUtf16(product);
  char name[32];
  std::snprintf(name, sizeof name, "Device VID=%04X PID=%04X", unsigned{device.VendorId()},
                unsigned{device.ProductId()});
  return name;
}

Discovery::Discovery(HidController& controller, ReportExchange& exchange, LinkView& view)
    : controller_(controller), exchange_(exchange), view_(view) {
  controller_.SetDeviceChangeHandler([this] { JvHidDeviceController1DeviceChange(); });
}

Discovery::~Discovery() { controller_.SetDeviceChangeHandler(nullptr); }

bool Discovery::JvHidDeviceController1Enumerate(HidDevice& hidDev, int idx) {
  DeviceListEntry entry{DeviceDisplayName(hidDev), nullptr};
  deviceList_.push_back(std::move(entry));
  deviceList_.back().device = controller_.CheckOutByIndex(idx);
  view_.ShowDisconnected();
  exchange_.DeviceConnected = false;
  return true;
}

void Discovery::JvHidDeviceController1DeviceChange() {
  // The devices about to be given back are no longer used; clearing the link state first keeps
  // CurrentDevice from pointing at a device the component may forget while it is given back.
  exchange_.DeviceConnected = false;
  exchange_.CurrentDevice = nullptr;
  // Given back in list order; a report already read arrives nested in CheckIn. The list is taken
  // out first so that a nested handler never sees it half given back.
  const std::vector<DeviceListEntry> held = std::move(deviceList_);
  deviceList_.clear();
  for (const DeviceListEntry& entry : held) {
    if (entry.device != nullptr) controller_.CheckIn(entry.device);
  }

  controller_.Enumerate(
      [this](HidDevice& device, int idx) { return JvHidDeviceController1Enumerate(device, idx); });

  std::vector<std::string> names;
  names.reserve(deviceList_.size());
  for (const DeviceListEntry& entry : deviceList_) names.push_back(entry.name);
  view_.ShowDeviceList(names);

  if (deviceList_.empty()) {
    view_.ShowNoConnection();
    return;
  }
  for (const DeviceListEntry& entry : deviceList_) {
    if (entry.name != DriverProductName) continue;
    Attach(entry.device);
  }
}

void Discovery::Attach(HidDevice* device) {
  exchange_.CurrentDevice = device;
  // A device the component would not hand out cannot be written to either.
  if (device != nullptr && device->HasReadWriteAccess()) {
    device->SetDataHandler(
        [this](HidDevice& dev, std::uint8_t reportId, std::span<const std::uint8_t> data) {
          exchange_.HidDataReceived(dev, reportId, data);
        });
    exchange_.DeviceConnected = true;
    view_.ShowConnected();
    exchange_.SendCommand(CMD_GET_INFO);
  } else {
    exchange_.DeviceConnected = false;
    view_.ShowNoConnection();
  }
}

}  // namespace vmd
