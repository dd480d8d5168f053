#pragma once
// A HID device that records what is written to it, for tests of the device link without threads.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/hid/hid_device.h"

namespace vmd::testing {

class RecordingDevice : public HidDevice {
 public:
  std::u16string productString = u"VMD220";
  std::uint16_t vendorId = 0x1234;
  std::uint16_t productId = 0x0001;
  bool readWrite = true;
  HidCaps caps{65, 65};
  bool capsThrow = false;
  bool writeFails = false;
  bool writeThrows = false;
  std::vector<std::vector<std::uint8_t>> writes;
  DataHandler handler;

  const std::u16string& ProductString() override { return productString; }
  std::uint16_t VendorId() const override { return vendorId; }
  std::uint16_t ProductId() const override { return productId; }
  bool HasReadWriteAccess() const override { return readWrite; }
  HidCaps Caps() override {
    if (capsThrow) throw HidError("capabilities cannot be read");
    return caps;
  }
  bool WriteReport(std::span<const std::uint8_t> report) override {
    if (writeThrows) throw HidError("write failed");
    writes.emplace_back(report.begin(), report.end());
    return !writeFails;
  }
  void SetDataHandler(DataHandler h) override { handler = std::move(h); }
};

}  // namespace vmd::testing
