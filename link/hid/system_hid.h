#pragma once
// The HID component over the computer's real HID devices.

#include <memory>

#include "link/hid/hid_backend.h"
#include "link/hid/hid_controller.h"

namespace vmd {

// The backend of the platform built for (hidraw and udev on Linux, the HID interface on Windows,
// hidapi with a periodic rescan elsewhere). Main thread; needs a QCoreApplication.
std::unique_ptr<HidBackend> CreatePlatformHidBackend();

// The component the program uses: its first device change comes once the event loop runs.
std::unique_ptr<HidController> CreateSystemHidController();

}  // namespace vmd
