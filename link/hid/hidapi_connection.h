#pragma once
// What every real backend shares: listing devices and talking to an open device through hidapi.
// hidapi's rules: init, enumerate, open and close on the main thread; one device's reads on its
// read thread, its writes on the main thread.

#include <hidapi/hidapi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/hid/hid_backend.h"

namespace vmd {

class HidapiConnection : public HidConnection {
 public:
  // How the report-ID byte comes back from hidapi for devices without numbered reports.
  enum class ReportIdByte {
    AsRead,           // hidapi returns it (numbered reports)
    Missing,          // never there: a 0 is put in front of every report
    MissingWhenShort  // stripped when 0, seen as a report one byte short of full length
  };

  // Opens `path` for reading and writing; null when that fails.
  static std::unique_ptr<HidConnection> Open(const std::string& path, ReportIdByte reportIdByte);

  HidapiConnection(hid_device* device, ReportIdByte reportIdByte);
  ~HidapiConnection() override;  // closes the device
  HidapiConnection(const HidapiConnection&) = delete;
  HidapiConnection& operator=(const HidapiConnection&) = delete;

  int Read(std::span<std::uint8_t> buffer, int timeoutMs) override;
  int Write(std::span<const std::uint8_t> report) override;

 private:
  hid_device* device_;
  ReportIdByte reportIdByte_;
};

// The devices hidapi lists, one entry per path, in its order. `accept` may fill in the identity
// (the path when it leaves it empty) and returns false to leave a device out.
std::vector<HidDeviceInfo> ScanWithHidapi(const std::function<bool(HidDeviceInfo&)>& accept);

}  // namespace vmd
