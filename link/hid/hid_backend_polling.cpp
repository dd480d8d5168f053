// Platforms without a dedicated backend (macOS): hidapi with a periodic rescan. hidapi 0.13 states
// no report lengths here, so the capabilities stay 0 and nothing is read or written.
#include <QTimer>

#include "link/hid/hidapi_connection.h"
#include "link/hid/system_hid.h"

namespace vmd {
namespace {

constexpr int kRescanPeriodMs = 1000;

class PollingHidBackend : public HidBackend {
 public:
  PollingHidBackend() { hid_init(); }
  ~PollingHidBackend() override {
    timer_.reset();
    hid_exit();
  }
  PollingHidBackend(const PollingHidBackend&) = delete;
  PollingHidBackend& operator=(const PollingHidBackend&) = delete;

  std::vector<HidDeviceInfo> Scan() override {
    return ScanWithHidapi([](HidDeviceInfo&) { return true; });
  }
  std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) override {
    return HidapiConnection::Open(path, HidapiConnection::ReportIdByte::MissingWhenShort);
  }
  HidCaps ReadCaps(const std::string&) override { return {}; }
  void WatchChanges(Announcement announce) override {
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout,
                     [announce = std::move(announce)] { announce(); });
    timer_->start(kRescanPeriodMs);
  }

 private:
  std::unique_ptr<QTimer> timer_;
};

}  // namespace

std::unique_ptr<HidBackend> CreatePlatformHidBackend() {
  return std::make_unique<PollingHidBackend>();
}

}  // namespace vmd
