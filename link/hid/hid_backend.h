#pragma once
// What the HID component needs from a platform: listing the present devices, opening them,
// reading their capabilities and hearing about changes. The controller (hid_device_controller.h)
// builds the component's behaviour on top; the Linux, Windows, polling and in-memory backends
// each implement this. Every call except HidConnection::Read is made on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/hid/hid_device.h"

namespace vmd {

struct HidDeviceInfo {
  std::string path;      // what OpenReadWrite and ReadCaps take
  std::string identity;  // equal exactly for the same device; a replugged device gets a new one
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::u16string productString;  // as the system reports it, untrimmed; empty when unreadable
};

// An open device. Read runs on the device's read thread only, everything else on the main thread;
// the connection is closed (destroyed) on the main thread after its read thread has ended.
class HidConnection {
 public:
  virtual ~HidConnection() = default;
  // Reads one input report (report-ID byte first) into `buffer`, waiting at most `timeoutMs`.
  // Returns the bytes read, 0 when none came in time, -1 when the device cannot be read any more.
  virtual int Read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
  // Writes one output report (report-ID byte first). Returns the bytes written or -1.
  virtual int Write(std::span<const std::uint8_t> report) = 0;
};

class HidBackend {
 public:
  using Announcement = std::function<void()>;

  virtual ~HidBackend() = default;
  // The HID devices present that can be opened at least for querying, in the system's order.
  virtual std::vector<HidDeviceInfo> Scan() = 0;
  // Opens a device for reading and writing; null when it cannot be.
  virtual std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) = 0;
  // Report lengths from the device's HID capabilities; zero lengths when they cannot be had.
  virtual HidCaps ReadCaps(const std::string& path) = 0;
  // Calls `announce` on the main thread whenever the system says devices may have come or gone.
  // Called once, right after construction.
  virtual void WatchChanges(Announcement announce) = 0;
};

}  // namespace vmd
