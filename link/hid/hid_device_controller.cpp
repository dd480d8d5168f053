#include "link/hid/hid_device_controller.h"

#include <algorithm>
#include <set>
#include <string>

namespace vmd {

// Marks the controller busy (handler or enumeration running) for the length of a scope, exceptions
// included; an announcement that came meanwhile is looked at once the controller is idle again.
class HidDeviceController::BusyScope {
 public:
  explicit BusyScope(HidDeviceController& controller) : controller_(controller) {
    ++controller_.busy_;
  }
  ~BusyScope() {
    if (--controller_.busy_ == 0 && controller_.announcedWhileBusy_) {
      controller_.announcedWhileBusy_ = false;
      QMetaObject::invokeMethod(
          &controller_, [c = &controller_] { c->Rescan(); }, Qt::QueuedConnection);
    }
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  HidDeviceController& controller_;
};

HidDeviceController::HidDeviceController(std::unique_ptr<HidBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend)) {
  backend_->WatchChanges([this] { OnAnnouncement(); });
  QMetaObject::invokeMethod(
      this, [this] { Rescan(); }, Qt::QueuedConnection);
}

HidDeviceController::~HidDeviceController() {
  // Orderly end: read threads stop before their devices close, devices close before the backend.
  removed_.clear();
  devices_.clear();
}

void HidDeviceController::SetDeviceChangeHandler(DeviceChangeHandler handler) {
  handler_ = std::move(handler);
}

void HidDeviceController::Enumerate(const EnumerateHandler& handler) {
  const BusyScope busy(*this);
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    if (!handler(*devices_[i], static_cast<int>(i))) break;
  }
}

HidDevice* HidDeviceController::CheckOutByIndex(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= devices_.size()) return nullptr;
  ManagedHidDevice& device = *devices_[static_cast<std::size_t>(index)];
  if (device.taken || device.givingBack) return nullptr;
  device.taken = true;
  return &device;
}

void HidDeviceController::CheckIn(HidDevice* device) {
  ManagedHidDevice* managed = Find(device);
  if (managed == nullptr || !managed->taken || managed->givingBack) return;
  managed->givingBack = true;
  struct Finish {
    ManagedHidDevice& device;
    ~Finish() {
      device.givingBack = false;
      device.taken = false;
    }
  };
  {
    const Finish finish{*managed};
    managed->Release();  // may run the data handler, nested
  }
  // A device that was unplugged meanwhile is forgotten now that it is back.
  std::erase_if(removed_, [managed](const auto& d) { return d.get() == managed; });
}

ManagedHidDevice* HidDeviceController::Find(const HidDevice* device) const {
  for (const auto* list : {&devices_, &removed_}) {
    for (const auto& d : *list) {
      if (d.get() == device) return d.get();
    }
  }
  return nullptr;
}

void HidDeviceController::OnAnnouncement() {
  if (!scanned_) return;  // the queued first scan will see the devices as they are
  Rescan();
}

void HidDeviceController::Rescan() {
  if (busy_ > 0) {
    // No re-entry into the handler. The change is looked at once the handler is done, so that
    // a device unplugged meanwhile is not missed.
    announcedWhileBusy_ = true;
    return;
  }
  std::vector<HidDeviceInfo> found = backend_->Scan();
  std::set<std::string> identities;
  std::erase_if(found, [&identities](const HidDeviceInfo& info) {
    return !identities.insert(info.identity).second;  // one entry per device
  });

  std::set<std::string> known;
  for (const auto& d : devices_) known.insert(d->Identity());
  // The first scan is always announced, even with no device; later ones only on a change.
  const bool raise = !scanned_ || identities != known;
  scanned_ = true;
  if (!raise) return;

  // Gone: forgotten now unless taken, then when given back.
  for (auto it = devices_.begin(); it != devices_.end();) {
    if (identities.contains((*it)->Identity())) {
      ++it;
      continue;
    }
    (*it)->plugged = false;
    if ((*it)->taken) removed_.push_back(std::move(*it));
    it = devices_.erase(it);
  }
  // New: appended in the system's order.
  for (auto& info : found) {
    if (known.contains(info.identity)) continue;
    devices_.push_back(std::make_unique<ManagedHidDevice>(std::move(info), *backend_, handoff_));
  }
  RaiseDeviceChange();
}

void HidDeviceController::RaiseDeviceChange() {
  if (handler_) {
    const BusyScope busy(*this);
    const DeviceChangeHandler handler = handler_;
    handler();
  }
}

}  // namespace vmd
