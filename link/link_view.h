#pragma once
// What the device link shows in the window: the connection indicator, the hardware version and
// the status polling. The window implements it; tests record it.

#include <string>
#include <vector>

namespace vmd {

class LinkView {
 public:
  virtual ~LinkView() = default;
  // Indicator states: text, then background; the first two also stop status polling.
  virtual void ShowNoConnection() = 0;
  virtual void ShowDisconnected() = 0;
  virtual void ShowConnected() = 0;
  // The indicator's text alone, its colour unchanged.
  virtual void SetConnectionText(const std::string& text) = 0;
  virtual void SetHardwareVersionText(const std::string& text) = 0;
  // Starts status polling; a poll already running keeps its rhythm.
  virtual void EnablePolling() = 0;
  // The names of the device list, in list order, after each enumeration.
  virtual void ShowDeviceList(const std::vector<std::string>& names) = 0;
};

}  // namespace vmd
