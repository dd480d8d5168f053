#include "link/hid/hidapi_connection.h"

#include <algorithm>
#include <set>
#include <string>

#include "link/hid/product_string.h"

namespace vmd {

std::unique_ptr<HidConnection> HidapiConnection::Open(const std::string& path,
                                                      ReportIdByte reportIdByte) {
  hid_device* const device = hid_open_path(path.c_str());
  if (device == nullptr) return nullptr;
  return std::make_unique<HidapiConnection>(device, reportIdByte);
}

HidapiConnection::HidapiConnection(hid_device* device, ReportIdByte reportIdByte)
    : device_(device), reportIdByte_(reportIdByte) {}

HidapiConnection::~HidapiConnection() { hid_close(device_); }

int HidapiConnection::Read(std::span<std::uint8_t> buffer, int timeoutMs) {
  if (buffer.empty()) return -1;
  switch (reportIdByte_) {
    case ReportIdByte::AsRead:
      return hid_read_timeout(device_, buffer.data(), buffer.size(), timeoutMs);
    case ReportIdByte::Missing: {
      const int count = hid_read_timeout(device_, buffer.data() + 1, buffer.size() - 1, timeoutMs);
      if (count <= 0) return count;
      buffer[0] = 0;
      return count + 1;
    }
    case ReportIdByte::MissingWhenShort: {
      const int count = hid_read_timeout(device_, buffer.data(), buffer.size(), timeoutMs);
      if (count <= 0 || static_cast<std::size_t>(count) != buffer.size() - 1) return count;
      std::copy_backward(buffer.begin(), buffer.end() - 1, buffer.end());
      buffer[0] = 0;
      return count + 1;
    }
  }
  return -1;
}

int HidapiConnection::Write(std::span<const std::uint8_t> report) {
  if (report.empty()) return 0;
  return hid_write(device_, report.data(), report.size());
}

std::vector<HidDeviceInfo> ScanWithHidapi(const std::function<bool(HidDeviceInfo&)>& accept) {
  std::vector<HidDeviceInfo> found;
  std::set<std::string> paths;
  hid_device_info* const list = hid_enumerate(0, 0);
  // hidapi may list one device once per top-level usage; it is one device to us.
  for (const hid_device_info* d = list; d != nullptr; d = d->next) {
    if (d->path == nullptr || !paths.insert(d->path).second) continue;
    HidDeviceInfo info;
    info.path = d->path;
    info.vendorId = d->vendor_id;
    info.productId = d->product_id;
    if (d->product_string != nullptr) info.productString = Utf16FromWide(d->product_string);
    if (!accept(info)) continue;
    if (info.identity.empty()) info.identity = info.path;
    found.push_back(std::move(info));
  }
  hid_free_enumeration(list);
  return found;
}

}  // namespace vmd
