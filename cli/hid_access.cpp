#include "cli/hid_access.h"

#include <map>
#include <mutex>

#include "link/hid/hid_device_controller.h"
#include "link/hid/managed_hid_device.h"

namespace vmd::cli {
namespace {

// Device identity -> path, as the scans found them.
struct PathBook {
  std::mutex mutex;
  std::map<std::string, std::string> paths;
};

// Passes every call on and notes the path of each device a scan finds.
class PathNotingBackend : public HidBackend {
 public:
  PathNotingBackend(std::unique_ptr<HidBackend> backend, std::shared_ptr<PathBook> book)
      : backend_(std::move(backend)), book_(std::move(book)) {}

  std::vector<HidDeviceInfo> Scan() override {
    std::vector<HidDeviceInfo> found = backend_->Scan();
    const std::lock_guard lock(book_->mutex);
    for (const HidDeviceInfo& info : found) book_->paths[info.identity] = info.path;
    return found;
  }
  std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) override {
    return backend_->OpenReadWrite(path);
  }
  HidCaps ReadCaps(const std::string& path) override { return backend_->ReadCaps(path); }
  void WatchChanges(Announcement announce) override { backend_->WatchChanges(std::move(announce)); }

 private:
  std::unique_ptr<HidBackend> backend_;
  std::shared_ptr<PathBook> book_;
};

}  // namespace

HidAccess MakeHidAccess(std::unique_ptr<HidBackend> backend) {
  auto book = std::make_shared<PathBook>();
  HidAccess access;
  access.controller = std::make_unique<HidDeviceController>(
      std::make_unique<PathNotingBackend>(std::move(backend), book));
  access.pathOf = [book](HidDevice& device) -> std::string {
    // The controller's device objects carry the identity their scan gave them.
    const auto* managed = dynamic_cast<const ManagedHidDevice*>(&device);
    if (managed == nullptr) return {};
    const std::lock_guard lock(book->mutex);
    const auto found = book->paths.find(managed->Identity());
    return found == book->paths.end() ? std::string() : found->second;
  };
  return access;
}

}  // namespace vmd::cli
