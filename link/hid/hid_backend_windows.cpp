// Windows: devices listed by hidapi, capabilities from HidP_GetCaps, changes heard through
// WM_DEVICECHANGE / DBT_DEVNODES_CHANGED, which the system broadcasts to the top-level windows.
#include <windows.h>
// after windows.h
#include <dbt.h>
#include <hidsdi.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include "link/hid/hidapi_connection.h"
#include "link/hid/system_hid.h"

namespace vmd {
namespace {

class DeviceChangeFilter : public QAbstractNativeEventFilter {
 public:
  explicit DeviceChangeFilter(HidBackend::Announcement announce) : announce_(std::move(announce)) {}

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "windows_generic_MSG") return false;
    const MSG* const msg = static_cast<const MSG*>(message);
    if (msg->message == WM_DEVICECHANGE &&
        msg->wParam == static_cast<WPARAM>(DBT_DEVNODES_CHANGED)) {
      // Handled after the message, not inside the system's dispatch of it.
      QMetaObject::invokeMethod(QCoreApplication::instance(), announce_, Qt::QueuedConnection);
    }
    return false;
  }

 private:
  HidBackend::Announcement announce_;
};

class WindowsHidBackend : public HidBackend {
 public:
  WindowsHidBackend() { hid_init(); }
  ~WindowsHidBackend() override {
    if (filter_ && QCoreApplication::instance() != nullptr)
      QCoreApplication::instance()->removeNativeEventFilter(filter_.get());
    filter_.reset();
    hid_exit();
  }
  WindowsHidBackend(const WindowsHidBackend&) = delete;
  WindowsHidBackend& operator=(const WindowsHidBackend&) = delete;

  // hidapi lists only devices it can open for querying.
  std::vector<HidDeviceInfo> Scan() override {
    return ScanWithHidapi([](HidDeviceInfo&) { return true; });
  }

  std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) override {
    // hidapi drops the leading 0 of reports without a report ID; reports here are always full.
    return HidapiConnection::Open(path, HidapiConnection::ReportIdByte::MissingWhenShort);
  }

  HidCaps ReadCaps(const std::string& path) override {
    const std::wstring widePath = QString::fromUtf8(path.c_str()).toStdWString();
    const HANDLE handle = CreateFileW(widePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    HidCaps caps;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (HidD_GetPreparsedData(handle, &preparsed)) {
      HIDP_CAPS hidCaps{};
      if (HidP_GetCaps(preparsed, &hidCaps) == HIDP_STATUS_SUCCESS) {
        caps.inputReportByteLength = hidCaps.InputReportByteLength;
        caps.outputReportByteLength = hidCaps.OutputReportByteLength;
      }
      HidD_FreePreparsedData(preparsed);
    }
    CloseHandle(handle);
    return caps;
  }

  void WatchChanges(Announcement announce) override {
    filter_ = std::make_unique<DeviceChangeFilter>(std::move(announce));
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
  }

 private:
  std::unique_ptr<DeviceChangeFilter> filter_;
};

}  // namespace

std::unique_ptr<HidBackend> CreatePlatformHidBackend() {
  return std::make_unique<WindowsHidBackend>();
}

}  // namespace vmd
