#pragma once
// One device object of the HID component: what the program sees as a HidDevice, plus the state
// the controller keeps for it (taken, still plugged in).

#include <memory>
#include <optional>
#include <string>

#include "link/hid/hid_backend.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_read_thread.h"

namespace vmd {

class ManagedHidDevice : public HidDevice {
 public:
  // Main thread. Tries to open the device for reading and writing and reads its capabilities.
  ManagedHidDevice(HidDeviceInfo info, HidBackend& backend, HidReportHandoff& handoff);
  // Stops reading (a report still waiting is dropped) and closes the device.
  ~ManagedHidDevice() override;
  ManagedHidDevice(const ManagedHidDevice&) = delete;
  ManagedHidDevice& operator=(const ManagedHidDevice&) = delete;

  const std::u16string& ProductString() override;
  std::uint16_t VendorId() const override { return info_.vendorId; }
  std::uint16_t ProductId() const override { return info_.productId; }
  bool HasReadWriteAccess() const override { return connection_ != nullptr; }
  HidCaps Caps() override { return caps_; }
  bool WriteReport(std::span<const std::uint8_t> report) override;
  void SetDataHandler(DataHandler handler) override;

  const std::string& Identity() const { return info_.identity; }
  bool taken = false;
  bool plugged = true;
  bool givingBack = false;

  // Gives the device back: stops reading, delivering a report already read, and drops the handler.
  void Release();

 private:
  void OpenReadWrite();
  void StartReadingIfReady();
  void StopReading(bool deliverPending);

  HidDeviceInfo info_;
  HidBackend& backend_;
  HidReportHandoff& handoff_;
  HidCaps caps_;
  std::optional<std::u16string> productString_;
  std::unique_ptr<HidConnection> connection_;
  DataHandler handler_;
  std::unique_ptr<HidReadThread> reader_;
};

}  // namespace vmd
