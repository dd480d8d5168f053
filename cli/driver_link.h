#pragma once
// One driver as vmd220ctl talks to it: lists the HID devices through the HID component, takes the
// chosen driver, sends it CMD_GET_INFO or CMD_GET_STATUS and waits for the reply, running the Qt
// event loop meanwhile (the component's events come through it). Main thread; needs a
// QCoreApplication.

#include <QDeadlineTimer>
#include <QEventLoop>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "cli/report_output.h"
#include "link/hid/hid_controller.h"
#include "protocol/driver_protocol.h"

namespace vmd::cli {

// Why a command could not go on: its exit code and a one-line message (maybe a hint line after).
struct Failure {
  int exitCode;
  std::string message;
};

class DriverLink {
 public:
  using PathOf = std::function<std::string(HidDevice&)>;
  using Interrupted = std::function<bool()>;

  DriverLink(HidController& controller, PathOf pathOf, Interrupted interrupted);
  // Gives the driver back and removes the device-change handler.
  ~DriverLink();
  DriverLink(const DriverLink&) = delete;
  DriverLink& operator=(const DriverLink&) = delete;

  // Runs the event loop until the component has listed the devices present.
  std::optional<Failure> WaitForDevices(int timeoutMs);
  // The devices of the latest listing, in list order.
  std::vector<DeviceListing> Listing() const;

  // Takes the driver at `path`, or the `index`-th driver, or else the last one listed (the one
  // the monitor would poll); a note on `notes` says so when there are several.
  std::optional<Failure> Attach(const std::optional<std::string>& path,
                                const std::optional<int>& index, std::ostream& notes);
  const std::string& Path() const { return path_; }

  std::variant<InfoReply, Failure> RequestInfo(int timeoutMs);
  std::variant<TDriverStatus, Failure> RequestStatus(int timeoutMs);
  // Runs the event loop until `deadline`; fails when the driver vanishes or on an interrupt.
  std::optional<Failure> Pause(const QDeadlineTimer& deadline);

 private:
  struct Entry {
    HidDevice* device;  // valid until the next device change, unless it is the attached one
    int index;
    DeviceListing listing;
  };

  void OnDeviceChange();
  void OnData(std::span<const std::uint8_t> data);
  // Runs the event loop until `done` holds, the deadline passes or an interrupt; returns done().
  bool WaitUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline);
  std::variant<std::vector<std::uint8_t>, Failure> Request(std::uint8_t code, int timeoutMs);
  Failure Vanished() const;

  HidController& controller_;
  PathOf pathOf_;
  Interrupted interrupted_;
  QEventLoop* waiting_ = nullptr;
  int deviceChanges_ = 0;
  std::vector<Entry> entries_;

  HidDevice* attached_ = nullptr;
  std::string path_;
  std::size_t outputLength_ = 0;
  bool vanished_ = false;
  std::uint8_t awaiting_ = 0;  // the reply code waited for; 0 for none
  std::optional<std::vector<std::uint8_t>> reply_;
  std::size_t shortReplies_ = 0;  // replies of the awaited code too short to be read
};

}  // namespace vmd::cli
