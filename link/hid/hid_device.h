#pragma once
// The program's view of one HID device, as the HID component hands it out. Free of any toolkit so
// that the device link can be driven by an in-memory device in tests.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>

namespace vmd {

// Report lengths as the device's HID capabilities state them, report-ID byte included; 0 when the
// device states none.
struct HidCaps {
  std::size_t inputReportByteLength = 0;
  std::size_t outputReportByteLength = 0;
};

// An error the HID layer raises (a capability query on a device that cannot be queried, say).
class HidError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class HidDevice {
 public:
  // The data event: one input report, its first byte split off as `reportId`. Called on the main
  // thread; `data` is valid only during the call.
  using DataHandler = std::function<void(HidDevice& device, std::uint8_t reportId,
                                         std::span<const std::uint8_t> data)>;

  virtual ~HidDevice() = default;

  // USB product string, read once per device object; empty when it cannot be read.
  virtual const std::u16string& ProductString() = 0;
  virtual std::uint16_t VendorId() const = 0;
  virtual std::uint16_t ProductId() const = 0;
  // Whether the latest attempt to open the device for reading and writing succeeded.
  virtual bool HasReadWriteAccess() const = 0;
  // May throw HidError.
  virtual HidCaps Caps() = 0;
  // Writes one output report synchronously; false when it fails (the device gone, say).
  virtual bool WriteReport(std::span<const std::uint8_t> report) = 0;
  // Installs the data handler, which starts reading; an empty handler stops reading and waits for
  // the read thread to end, handing a report it had already read to the old handler first.
  virtual void SetDataHandler(DataHandler handler) = 0;
};

}  // namespace vmd
