#include "link/hid/system_hid.h"

#include "link/hid/hid_device_controller.h"

namespace vmd {

std::unique_ptr<HidController> CreateSystemHidController() {
  return std::make_unique<HidDeviceController>(CreatePlatformHidBackend());
}

}  // namespace vmd
