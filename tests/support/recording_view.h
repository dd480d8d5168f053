#pragma once
// A LinkView that keeps what the device link showed, as the window would.

#include <string>
#include <utility>
#include <vector>

#include "link/link_view.h"

namespace vmd::testing {

class RecordingView : public LinkView {
 public:
  enum class Colour { Window, On, Off };
  std::string connectionText;
  Colour connectionColour = Colour::Window;
  std::string hardwareVersion = "0";
  bool polling = false;
  int pollingStarts = 0;  // times the poll timer was started from off
  std::vector<std::string> deviceList;
  int deviceChanges = 0;         // enumerations shown
  std::vector<std::string> log;  // indicator states and texts in order

  // The indicator states and texts since the last call.
  std::vector<std::string> TakeLog() { return std::exchange(log, {}); }

  void ShowNoConnection() override { Set("No connection", Colour::Off, true); }
  void ShowDisconnected() override { Set("Disconnected", Colour::Off, true); }
  void ShowConnected() override { Set("Connected", Colour::On, false); }
  void SetConnectionText(const std::string& text) override {
    connectionText = text;
    log.push_back(text);
  }
  void SetHardwareVersionText(const std::string& text) override { hardwareVersion = text; }
  void EnablePolling() override {
    if (!polling) ++pollingStarts;
    polling = true;
  }
  void ShowDeviceList(const std::vector<std::string>& names) override {
    deviceList = names;
    ++deviceChanges;
  }

 private:
  void Set(const std::string& text, Colour colour, bool stopPolling) {
    connectionText = text;
    connectionColour = colour;
    if (stopPolling) polling = false;
    log.push_back(text);
  }
};

}  // namespace vmd::testing
