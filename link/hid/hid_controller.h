#pragma once
// The HID component: lists the computer's HID devices, hands them out for the program's use and
// announces changes in the set of devices. Its events arrive on the main thread.

#include <functional>

#include "link/hid/hid_device.h"

namespace vmd {

class HidController {
 public:
  // Returns whether to go on with the next device.
  using EnumerateHandler = std::function<bool(HidDevice& device, int index)>;
  using DeviceChangeHandler = std::function<void()>;

  virtual ~HidController() = default;

  // Raised once when the event loop first runs (even with no device present), then each time the
  // system announces a change and a fresh scan finds an HID device gone or a new one present.
  virtual void SetDeviceChangeHandler(DeviceChangeHandler handler) = 0;
  // Calls `handler` synchronously for every device plugged in, in list order (the first scan in
  // the system's order, later arrivals after them); `index` is the device's place in that list.
  virtual void Enumerate(const EnumerateHandler& handler) = 0;
  // Takes the device at `index` for the program's use; null when it is taken already.
  virtual HidDevice* CheckOutByIndex(int index) = 0;
  // Gives a taken device back: stops its reading (waiting for the read thread) and offers it
  // again at the next enumeration if still plugged in; a removed one is forgotten.
  virtual void CheckIn(HidDevice* device) = 0;
};

}  // namespace vmd
