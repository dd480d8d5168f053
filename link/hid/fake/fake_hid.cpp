#include "link/hid/fake/fake_hid.h"

#include <algorithm>
#include <chrono>

#include "link/hid/fake/fake_hid_backend.h"
#include "link/hid/hid_device_controller.h"

namespace vmd::fake {

FakeHidDevice::FakeHidDevice(FakeHidDeviceTraits traits, std::string path)
    : traits_(std::move(traits)), path_(std::move(path)), readWrite_(traits_.readWrite) {}

bool FakeHidDevice::Plugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

void FakeHidDevice::SetReplier(Replier replier) {
  std::lock_guard lock(mutex_);
  replier_ = std::move(replier);
}

void FakeHidDevice::SendInput(Bytes report) {
  {
    std::lock_guard lock(mutex_);
    input_.push_back(std::move(report));
  }
  changed_.notify_all();
}

std::vector<Bytes> FakeHidDevice::Writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

void FakeHidDevice::SetWritesFail(bool fail) {
  std::lock_guard lock(mutex_);
  writesFail_ = fail;
}

void FakeHidDevice::SetReadWrite(bool readWrite) {
  std::lock_guard lock(mutex_);
  readWrite_ = readWrite;
}

bool FakeHidDevice::WaitForReportsRead(std::size_t count, int timeoutMs) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return reportsRead_ >= count; });
}

std::size_t FakeHidDevice::ReportsRead() const {
  std::lock_guard lock(mutex_);
  return reportsRead_;
}

std::size_t FakeHidDevice::ReadCalls() const {
  std::lock_guard lock(mutex_);
  return readCalls_;
}

int FakeHidDevice::OpenConnections() const {
  std::lock_guard lock(mutex_);
  return openConnections_;
}

int FakeHidDevice::Read(std::span<std::uint8_t> buffer, int timeoutMs) {
  std::unique_lock lock(mutex_);
  ++readCalls_;
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [&] { return !plugged_ || !input_.empty(); });
  if (!plugged_) return -1;
  if (input_.empty()) return 0;
  const Bytes report = std::move(input_.front());
  input_.erase(input_.begin());
  // Like the system: a longer report is cut to the buffer, a shorter one returns fewer bytes.
  const std::size_t count = std::min(report.size(), buffer.size());
  std::copy_n(report.begin(), count, buffer.begin());
  ++reportsRead_;
  lock.unlock();
  changed_.notify_all();
  return static_cast<int>(count);
}

int FakeHidDevice::Write(std::span<const std::uint8_t> report) {
  Replier replier;
  {
    std::lock_guard lock(mutex_);
    writes_.emplace_back(report.begin(), report.end());
    if (!plugged_ || writesFail_) return -1;
    replier = replier_;
  }
  if (replier) {
    for (Bytes& reply : replier(report)) SendInput(std::move(reply));
  }
  return static_cast<int>(report.size());
}

bool FakeHidDevice::OpenReadWrite() {
  std::lock_guard lock(mutex_);
  if (!plugged_ || !readWrite_) return false;
  ++openConnections_;
  return true;
}

void FakeHidDevice::CloseConnection() {
  std::lock_guard lock(mutex_);
  --openConnections_;
}

void FakeHidDevice::SetPlugged(bool plugged) {
  {
    std::lock_guard lock(mutex_);
    plugged_ = plugged;
  }
  changed_.notify_all();
}

std::shared_ptr<FakeHidDevice> FakeHidSystem::Plug(FakeHidDeviceTraits traits, bool announce) {
  std::shared_ptr<FakeHidDevice> device;
  {
    std::lock_guard lock(mutex_);
    device = std::make_shared<FakeHidDevice>(std::move(traits),
                                             "/dev/fake-hid" + std::to_string(nextNumber_++));
    present_.push_back(device);
  }
  if (announce) Announce();
  return device;
}

void FakeHidSystem::Unplug(const std::shared_ptr<FakeHidDevice>& device, bool announce) {
  {
    std::lock_guard lock(mutex_);
    std::erase(present_, device);
  }
  device->SetPlugged(false);
  if (announce) Announce();
}

void FakeHidSystem::Announce() {
  std::lock_guard lock(mutex_);
  for (FakeHidBackend* backend : listeners_) backend->PostAnnouncement();
}

std::vector<std::shared_ptr<FakeHidDevice>> FakeHidSystem::Present() const {
  std::lock_guard lock(mutex_);
  return present_;
}

std::shared_ptr<FakeHidDevice> FakeHidSystem::Find(const std::string& path) const {
  std::lock_guard lock(mutex_);
  for (const auto& device : present_) {
    if (device->Path() == path) return device;
  }
  return nullptr;
}

int FakeHidSystem::Scans() const {
  std::lock_guard lock(mutex_);
  return scans_;
}

void FakeHidSystem::CountScan() {
  std::lock_guard lock(mutex_);
  ++scans_;
}

void FakeHidSystem::AddListener(FakeHidBackend* backend) {
  std::lock_guard lock(mutex_);
  listeners_.push_back(backend);
}

void FakeHidSystem::RemoveListener(FakeHidBackend* backend) {
  std::lock_guard lock(mutex_);
  std::erase(listeners_, backend);
}

std::unique_ptr<HidBackend> CreateFakeHidBackend(std::shared_ptr<FakeHidSystem> system) {
  return std::make_unique<FakeHidBackend>(std::move(system));
}

std::unique_ptr<HidController> CreateFakeHidController(std::shared_ptr<FakeHidSystem> system) {
  return std::make_unique<HidDeviceController>(CreateFakeHidBackend(std::move(system)));
}

}  // namespace vmd::fake
