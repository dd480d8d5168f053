// Linux: devices listed by hidapi (hidraw), capabilities from the hidraw report descriptor,
// changes heard through a udev monitor on the "hidraw" subsystem.
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "link/hid/hidapi_connection.h"
#include "link/hid/report_descriptor.h"
#include "link/hid/system_hid.h"

namespace vmd {
namespace {

// Rescan period where no monitor can be had.
constexpr int kRescanPeriodMs = 1000;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

FileDescriptor OpenForQuery(const std::string& path) {
  return FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
}

std::optional<ReportDescriptorSummary> ReadDescriptor(const std::string& path) {
  const FileDescriptor fd = OpenForQuery(path);
  if (fd.get() < 0) return std::nullopt;
  int size = 0;
  if (::ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
    return std::nullopt;
  hidraw_report_descriptor descriptor{};
  descriptor.size = static_cast<__u32>(size);
  if (::ioctl(fd.get(), HIDIOCGRDESC, &descriptor) < 0) return std::nullopt;
  return ParseReportDescriptor(
      std::span<const std::uint8_t>(descriptor.value, static_cast<std::size_t>(size)));
}

class LinuxHidBackend : public HidBackend {
 public:
  LinuxHidBackend() { hid_init(); }
  ~LinuxHidBackend() override {
    notifier_.reset();
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
    hid_exit();
  }
  LinuxHidBackend(const LinuxHidBackend&) = delete;
  LinuxHidBackend& operator=(const LinuxHidBackend&) = delete;

  std::vector<HidDeviceInfo> Scan() override {
    return ScanWithHidapi([](HidDeviceInfo& info) {
      // Left out unless it can be opened at least for querying. The node's inode and change time
      // tell a device replugged under the same name from the one before.
      const FileDescriptor fd = OpenForQuery(info.path);
      struct stat status {};
      if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0) return false;
      info.identity = info.path + ':' + std::to_string(status.st_ino) + ':' +
                      std::to_string(status.st_ctim.tv_sec) + '.' +
                      std::to_string(status.st_ctim.tv_nsec);
      return true;
    });
  }

  std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) override {
    const auto summary = ReadDescriptor(path);
    // hidraw leaves the report-ID byte out of reports of devices without numbered reports.
    const bool numbered = !summary || summary->usesReportIds;
    return HidapiConnection::Open(path, numbered ? HidapiConnection::ReportIdByte::AsRead
                                                 : HidapiConnection::ReportIdByte::Missing);
  }

  HidCaps ReadCaps(const std::string& path) override {
    const auto summary = ReadDescriptor(path);
    if (!summary) return {};
    return {summary->inputReportByteLength, summary->outputReportByteLength};
  }

  void WatchChanges(Announcement announce) override {
    announce_ = std::move(announce);
    if (StartMonitor()) return;
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { announce_(); });
    timer_->start(kRescanPeriodMs);
  }

 private:
  bool StartMonitor() {
    udev_ = udev_new();
    if (udev_ == nullptr) return false;
    // With a udev daemon, listen to events it has finished (rules applied, access granted);
    // without one, to the kernel's own.
    const char* source = ::access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
    monitor_ = udev_monitor_new_from_netlink(udev_, source);
    if (monitor_ == nullptr) return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
      return false;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0) return false;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    return true;
  }

  void Drain() {
    bool any = false;
    while (udev_device* const device = udev_monitor_receive_device(monitor_)) {
      any = true;
      udev_device_unref(device);
    }
    if (any) announce_();
  }

  Announcement announce_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QTimer> timer_;
};

}  // namespace

std::unique_ptr<HidBackend> CreatePlatformHidBackend() {
  return std::make_unique<LinuxHidBackend>();
}

}  // namespace vmd
