#pragma once
// The HID component as vmd220ctl uses it: the same controller as the monitor's, over a backend
// that also tells each device's path (which `list` shows and --path selects by).

#include <functional>
#include <memory>
#include <string>

#include "link/hid/hid_backend.h"
#include "link/hid/hid_controller.h"

namespace vmd::cli {

struct HidAccess {
  std::unique_ptr<HidController> controller;
  // The path of a device the controller handed out; empty when unknown.
  std::function<std::string(HidDevice&)> pathOf;
};

// The component over `backend`: the system's (CreatePlatformHidBackend) or the fake's.
HidAccess MakeHidAccess(std::unique_ptr<HidBackend> backend);

}  // namespace vmd::cli
