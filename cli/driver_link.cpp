#include "cli/driver_link.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

#include "cli/exit_codes.h"
#include "cli/text_escape.h"
#include "common/driver_identity.h"
#include "link/discovery.h"

namespace vmd::cli {
namespace {

constexpr qint64 kWaitSliceMs = 100;  // how often a wait looks at the interrupt flag
constexpr int kVanishGraceMs = 1000;  // how long a failed write waits to hear of an unplug

std::string Quoted(const std::string& text) { return "'" + EscapeControls(text) + "'"; }

Failure NoPermission(const std::string& path) {
  std::string message = "cannot open the VMD220 at " + Quoted(path) +
                        " for reading and writing: no permission, or another program holds it";
#ifdef __linux__
  message +=
      "\nhint: install the udev rule 70-vmd220.rules (the package installs it into "
      "/usr/lib/udev/rules.d; from the source: sudo install -m 644 dist/linux/70-vmd220.rules "
      "/etc/udev/rules.d/), then run 'sudo udevadm control --reload-rules' and 'sudo udevadm "
      "trigger --action=change --subsystem-match=hidraw', or unplug and replug the driver. The "
      "rule gives access to the user of the local, active session only (not over ssh)";
#endif
  return {kExitNoPermission, message};
}

}  // namespace

DriverLink::DriverLink(HidController& controller, PathOf pathOf, Interrupted interrupted)
    : controller_(controller), pathOf_(std::move(pathOf)), interrupted_(std::move(interrupted)) {
  controller_.SetDeviceChangeHandler([this] { OnDeviceChange(); });
}

DriverLink::~DriverLink() {
  if (attached_ != nullptr) {
    attached_->SetDataHandler(nullptr);
    controller_.CheckIn(attached_);
  }
  controller_.SetDeviceChangeHandler(nullptr);
}

void DriverLink::OnDeviceChange() {
  ++deviceChanges_;
  entries_.clear();
  bool attachedPresent = false;
  int driverCount = 0;
  controller_.Enumerate([&](HidDevice& device, int index) {
    DeviceListing listing;
    listing.name = DeviceDisplayName(device);  // reads the product string, renewing the open
    listing.vendorId = device.VendorId();
    listing.productId = device.ProductId();
    listing.path = pathOf_ ? pathOf_(device) : std::string();
    listing.driver = listing.name == DriverProductName;
    if (listing.driver) listing.driverIndex = driverCount++;
    listing.readWrite = device.HasReadWriteAccess();
    entries_.push_back({&device, index, std::move(listing)});
    if (&device == attached_) attachedPresent = true;
    return true;
  });
  if (attached_ != nullptr && !attachedPresent) vanished_ = true;
  if (waiting_ != nullptr) waiting_->quit();
}

void DriverLink::OnData(std::span<const std::uint8_t> data) {
  if (awaiting_ == 0 || data.empty() || data[0] != awaiting_ || reply_) return;
  const bool whole = awaiting_ == CMD_GET_INFO ? DecodeInfoReply(data).has_value()
                                               : DecodeStatusReply(data).has_value();
  if (whole) {
    reply_.emplace(data.begin(), data.end());
  } else {
    ++shortReplies_;
  }
  if (waiting_ != nullptr) waiting_->quit();
}

bool DriverLink::WaitUntil(const std::function<bool()>& done, const QDeadlineTimer& deadline) {
  while (!done()) {
    if (deadline.hasExpired() || (interrupted_ && interrupted_())) return done();
    const qint64 remaining = deadline.remainingTime();
    const qint64 slice = remaining < 0 ? kWaitSliceMs : std::min(remaining, kWaitSliceMs);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(std::chrono::milliseconds(slice));
    waiting_ = &loop;
    loop.exec();
    waiting_ = nullptr;
  }
  return true;
}

std::optional<Failure> DriverLink::WaitForDevices(int timeoutMs) {
  if (WaitUntil([this] { return deviceChanges_ > 0; }, QDeadlineTimer(timeoutMs))) {
    return std::nullopt;
  }
  if (interrupted_ && interrupted_()) return Failure{kExitInterrupted, "interrupted"};
  return Failure{kExitInternal, "the HID layer did not list the devices within " +
                                    std::to_string(timeoutMs) + " ms"};
}

std::vector<DeviceListing> DriverLink::Listing() const {
  std::vector<DeviceListing> listing;
  for (const Entry& entry : entries_) listing.push_back(entry.listing);
  return listing;
}

std::optional<Failure> DriverLink::Attach(const std::optional<std::string>& path,
                                          const std::optional<int>& index, std::ostream& notes) {
  std::vector<const Entry*> drivers;
  for (const Entry& entry : entries_) {
    if (entry.listing.driver) drivers.push_back(&entry);
  }
  const Entry* chosen = nullptr;
  if (path) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& e) { return e.listing.path == *path; });
    if (found == entries_.end()) return Failure{kExitNoDriver, "no HID device at " + Quoted(*path)};
    if (!found->listing.driver) {
      return Failure{kExitNoDriver, Quoted(*path) + " is not a VMD220 but " +
                                        Quoted(found->listing.name) + ": nothing is sent to it"};
    }
    chosen = &*found;
  } else if (index) {
    if (static_cast<std::size_t>(*index) >= drivers.size()) {
      return Failure{kExitNoDriver, "no VMD220 with index " + std::to_string(*index) + ": " +
                                        std::to_string(drivers.size()) + " found"};
    }
    chosen = drivers[static_cast<std::size_t>(*index)];
  } else {
    if (drivers.empty()) {
      return Failure{kExitNoDriver, "no VMD220 found among the " + std::to_string(entries_.size()) +
                                        " HID devices present"};
    }
    chosen = drivers.back();
    if (drivers.size() > 1) {
      notes << "vmd220ctl: note: " << drivers.size() << " VMD220 found; using the last one listed, "
            << Quoted(chosen->listing.path) << " (choose with --path or --index)\n";
    }
  }

  HidDevice* device = controller_.CheckOutByIndex(chosen->index);
  if (device == nullptr) {
    return Failure{kExitInternal,
                   "the HID layer would not hand out " + Quoted(chosen->listing.path)};
  }
  if (!device->HasReadWriteAccess()) {
    controller_.CheckIn(device);
    return NoPermission(chosen->listing.path);
  }
  attached_ = device;
  path_ = chosen->listing.path;
  try {
    outputLength_ = device->Caps().outputReportByteLength;
  } catch (const HidError& error) {
    return Failure{kExitIo,
                   "cannot read the HID capabilities of " + Quoted(path_) + ": " + error.what()};
  }
  if (outputLength_ < 2) {
    return Failure{kExitIo, Quoted(path_) + " states an output report of " +
                                std::to_string(outputLength_) +
                                " bytes, too short to carry a request"};
  }
  device->SetDataHandler(
      [this](HidDevice&, std::uint8_t, std::span<const std::uint8_t> data) { OnData(data); });
  return std::nullopt;
}

Failure DriverLink::Vanished() const {
  return {kExitVanished, "the VMD220 at " + Quoted(path_) + " vanished"};
}

std::variant<std::vector<std::uint8_t>, Failure> DriverLink::Request(std::uint8_t code,
                                                                     int timeoutMs) {
  if (attached_ == nullptr) return Failure{kExitInternal, "no driver attached"};
  if (vanished_) return Vanished();
  awaiting_ = code;
  reply_.reset();
  shortReplies_ = 0;
  bool written = false;
  try {
    written = attached_->WriteReport(EncodeCommand(code, outputLength_));
  } catch (const std::exception&) {
    written = false;
  }
  if (!written) {
    // An unplugged driver fails the write before the system has announced it gone.
    WaitUntil([this] { return vanished_; }, QDeadlineTimer(std::min(timeoutMs, kVanishGraceMs)));
    awaiting_ = 0;
    if (vanished_) return Vanished();
    if (interrupted_ && interrupted_()) return Failure{kExitInterrupted, "interrupted"};
    return Failure{kExitIo, "writing the request to " + Quoted(path_) + " failed"};
  }
  WaitUntil([this] { return reply_.has_value() || vanished_; }, QDeadlineTimer(timeoutMs));
  awaiting_ = 0;
  if (reply_) return std::move(*reply_);
  if (vanished_) return Vanished();
  if (interrupted_ && interrupted_()) return Failure{kExitInterrupted, "interrupted"};
  std::string message = std::string("no ") + (code == CMD_GET_INFO ? "info" : "status") +
                        " reply from " + Quoted(path_) + " within " + std::to_string(timeoutMs) +
                        " ms";
  if (shortReplies_ > 0) {
    message += " (" + std::to_string(shortReplies_) + " too short to be read)";
  }
  return Failure{kExitTimeout, message};
}

std::variant<InfoReply, Failure> DriverLink::RequestInfo(int timeoutMs) {
  auto reply = Request(CMD_GET_INFO, timeoutMs);
  if (auto* failure = std::get_if<Failure>(&reply)) return std::move(*failure);
  return *DecodeInfoReply(std::get<std::vector<std::uint8_t>>(reply));
}

std::variant<TDriverStatus, Failure> DriverLink::RequestStatus(int timeoutMs) {
  auto reply = Request(CMD_GET_STATUS, timeoutMs);
  if (auto* failure = std::get_if<Failure>(&reply)) return std::move(*failure);
  return *DecodeStatusReply(std::get<std::vector<std::uint8_t>>(reply));
}

std::optional<Failure> DriverLink::Pause(const QDeadlineTimer& deadline) {
  WaitUntil([this] { return vanished_; }, deadline);
  if (vanished_) return Vanished();
  if (interrupted_ && interrupted_()) return Failure{kExitInterrupted, "interrupted"};
  return std::nullopt;
}

}  // namespace vmd::cli
