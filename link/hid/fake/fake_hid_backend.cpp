#include "link/hid/fake/fake_hid_backend.h"

namespace vmd::fake {
namespace {

class FakeConnection : public HidConnection {
 public:
  explicit FakeConnection(std::shared_ptr<FakeHidDevice> device) : device_(std::move(device)) {}
  ~FakeConnection() override { device_->CloseConnection(); }
  FakeConnection(const FakeConnection&) = delete;
  FakeConnection& operator=(const FakeConnection&) = delete;

  int Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
    return device_->Read(buffer, timeoutMs);
  }
  int Write(std::span<const std::uint8_t> report) override { return device_->Write(report); }

 private:
  std::shared_ptr<FakeHidDevice> device_;
};

}  // namespace

FakeHidBackend::FakeHidBackend(std::shared_ptr<FakeHidSystem> system) : system_(std::move(system)) {
  system_->AddListener(this);
}

FakeHidBackend::~FakeHidBackend() { system_->RemoveListener(this); }

std::vector<HidDeviceInfo> FakeHidBackend::Scan() {
  system_->CountScan();
  std::vector<HidDeviceInfo> found;
  for (const auto& device : system_->Present()) {
    const FakeHidDeviceTraits& traits = device->Traits();
    if (!traits.queryable) continue;
    found.push_back(
        {device->Path(), device->Path(), traits.vendorId, traits.productId, traits.productString});
  }
  return found;
}

std::unique_ptr<HidConnection> FakeHidBackend::OpenReadWrite(const std::string& path) {
  const auto device = system_->Find(path);
  if (!device || !device->OpenReadWrite()) return nullptr;
  return std::make_unique<FakeConnection>(device);
}

HidCaps FakeHidBackend::ReadCaps(const std::string& path) {
  const auto device = system_->Find(path);
  return device ? device->Traits().caps : HidCaps{};
}

void FakeHidBackend::WatchChanges(Announcement announce) { announce_ = std::move(announce); }

void FakeHidBackend::PostAnnouncement() {
  ++posted_;
  waker_.Ring();
}

void FakeHidBackend::DeliverAnnouncements() {
  // One announcement per Announce(), as the system would send them.
  for (int n = posted_.exchange(0); n > 0; --n) {
    if (announce_) announce_();
  }
}

}  // namespace vmd::fake
