#pragma once
// Report exchange with the attached driver: framing and writing commands, polling for status, and
// turning the replies handed over by the HID component into the driver records.

#include <cstdint>
#include <span>

#include "link/hid/hid_device.h"
#include "link/link_view.h"
#include "protocol/driver_protocol.h"

namespace vmd {

// What the driver last reported. One instance for the whole run; nothing ever clears it.
struct DriverRecords {
  TDriverInfo info;
  TDriverLimits limits;
  TDriverStatus status;
};

class ReportExchange {
 public:
  ReportExchange(DriverRecords& records, LinkView& view) : records_(records), view_(view) {}

  // The link state, written by discovery: commands go to CurrentDevice while DeviceConnected.
  bool DeviceConnected = false;
  HidDevice* CurrentDevice = nullptr;

  // Sends one output report carrying `payload` after the report ID, at the device's output report
  // length. Nothing is sent while not connected or when the length cannot be had; a failed write
  // loses the command.
  void SendReport(std::span<const std::uint8_t> payload);
  void SendCommand(std::uint8_t code);

  // Poll timer tick: asks the attached driver for its status.
  void ReadDataTimerTimer();

  // The data handler installed on the attached device.
  void HidDataReceived(HidDevice& device, std::uint8_t reportId,
                       std::span<const std::uint8_t> data);

 private:
  DriverRecords& records_;
  LinkView& view_;
};

// "Connected to VMD220 ver.: 1.01   A" for an info record.
std::string ConnectionText(const TDriverInfo& info);

}  // namespace vmd
