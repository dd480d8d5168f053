#include "tools/measure/measuring.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QWidget>

#include <chrono>
#include <span>

#include "protocol/driver_protocol.h"
#include "tools/measure/simulated_driver.h"

namespace vmd::measure {
namespace {

class StampingConnection : public HidConnection {
 public:
  explicit StampingConnection(std::unique_ptr<HidConnection> inner) : inner_(std::move(inner)) {}
  int Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
    const int count = inner_->Read(buffer, timeoutMs);
    if (count >= static_cast<int>(kStampedReportLength))
      WriteStamp(buffer, kReadStampOffset, SteadyNowNs());
    return count;
  }
  int Write(std::span<const std::uint8_t> report) override { return inner_->Write(report); }

 private:
  std::unique_ptr<HidConnection> inner_;
};

class StampingBackend : public HidBackend {
 public:
  explicit StampingBackend(std::unique_ptr<HidBackend> inner) : inner_(std::move(inner)) {}
  std::vector<HidDeviceInfo> Scan() override { return inner_->Scan(); }
  std::unique_ptr<HidConnection> OpenReadWrite(const std::string& path) override {
    auto connection = inner_->OpenReadWrite(path);
    if (!connection) return nullptr;
    return std::make_unique<StampingConnection>(std::move(connection));
  }
  HidCaps ReadCaps(const std::string& path) override { return inner_->ReadCaps(path); }
  void WatchChanges(Announcement announce) override { inner_->WatchChanges(std::move(announce)); }

 private:
  std::unique_ptr<HidBackend> inner_;
};

// A device as the controller hands it out, passed through, with its data handler timed.
class TimedDevice : public HidDevice {
 public:
  TimedDevice(HidDevice& inner, HandoffLog& log) : inner_(inner), log_(log) {}
  const std::u16string& ProductString() override { return inner_.ProductString(); }
  std::uint16_t VendorId() const override { return inner_.VendorId(); }
  std::uint16_t ProductId() const override { return inner_.ProductId(); }
  bool HasReadWriteAccess() const override { return inner_.HasReadWriteAccess(); }
  HidCaps Caps() override { return inner_.Caps(); }
  bool WriteReport(std::span<const std::uint8_t> report) override {
    return inner_.WriteReport(report);
  }
  void SetDataHandler(DataHandler handler) override {
    if (!handler) {
      inner_.SetDataHandler(nullptr);
      return;
    }
    inner_.SetDataHandler([this, handler](HidDevice&, std::uint8_t reportId,
                                          std::span<const std::uint8_t> data) {
      handler(*this, reportId, data);
      const std::int64_t done = SteadyNowNs();
      // `data` follows the report ID: the stamps sit one byte earlier than in the report.
      if (!log_.collecting || data.size() + 1 < kStampedReportLength || data[0] != CMD_GET_STATUS)
        return;
      const std::int64_t read = ReadStamp(data, kReadStampOffset - 1);
      const std::int64_t sent = ReadStamp(data, kSentStampOffset - 1);
      if (read > 0) log_.readToRecord.push_back(done - read);
      if (sent > 0) log_.sentToRecord.push_back(done - sent);
    });
  }

  HidDevice& Inner() { return inner_; }

 private:
  HidDevice& inner_;
  HandoffLog& log_;
};

class TimingController : public HidController {
 public:
  TimingController(std::unique_ptr<HidController> inner, HandoffLog& log)
      : inner_(std::move(inner)), log_(log) {}
  ~TimingController() override {
    inner_->SetDeviceChangeHandler(nullptr);
    inner_.reset();  // read threads end before the wrappers go
  }
  TimingController(const TimingController&) = delete;
  TimingController& operator=(const TimingController&) = delete;

  void SetDeviceChangeHandler(DeviceChangeHandler handler) override {
    inner_->SetDeviceChangeHandler(std::move(handler));
  }
  void Enumerate(const EnumerateHandler& handler) override {
    inner_->Enumerate([&](HidDevice& device, int index) { return handler(Wrap(&device), index); });
  }
  HidDevice* CheckOutByIndex(int index) override {
    HidDevice* device = inner_->CheckOutByIndex(index);
    return device ? &Wrap(device) : nullptr;
  }
  void CheckIn(HidDevice* device) override {
    for (auto& [inner, wrapper] : wrappers_) {
      if (wrapper.get() == device) {
        inner_->CheckIn(inner);
        return;
      }
    }
  }

 private:
  // One wrapper per device object, for the run (a demo sees few devices).
  TimedDevice& Wrap(HidDevice* device) {
    auto& wrapper = wrappers_[device];
    if (!wrapper) wrapper = std::make_unique<TimedDevice>(*device, log_);
    return *wrapper;
  }

  std::unique_ptr<HidController> inner_;
  HandoffLog& log_;
  std::map<HidDevice*, std::unique_ptr<TimedDevice>> wrappers_;
};

std::int64_t UnixNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// What a control shows, to tell a repaint of unchanged content.
std::string ContentOf(const QWidget& widget) {
  const QPalette& palette = widget.palette();
  std::string colours = palette.color(widget.backgroundRole()).name().toStdString() + "/" +
                        palette.color(widget.foregroundRole()).name().toStdString();
  if (const auto* label = qobject_cast<const QLabel*>(&widget))
    return "L" + label->text().toStdString() + "|" + colours;
  if (const auto* edit = qobject_cast<const QLineEdit*>(&widget))
    return "E" + edit->text().toStdString() + "|" + colours + "|" +
           std::to_string(edit->hasFocus());
  if (const auto* bar = qobject_cast<const QProgressBar*>(&widget))
    return "B" + std::to_string(bar->value()) + "|" + colours;
  return {};
}

}  // namespace

std::unique_ptr<HidBackend> CreateStampingBackend(std::unique_ptr<HidBackend> inner) {
  return std::make_unique<StampingBackend>(std::move(inner));
}

std::unique_ptr<HidController> CreateTimingController(std::unique_ptr<HidController> inner,
                                                      HandoffLog& log) {
  return std::make_unique<TimingController>(std::move(inner), log);
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
  const auto* widget = static_cast<const QWidget*>(watched);
  if (firstPaintUnixNs == 0 && widget->isWindow()) {
    firstPaintUnixNs = UnixNowNs();
    QMetaObject::invokeMethod(
        this, [this] { firstFrameUnixNs = UnixNowNs(); }, Qt::QueuedConnection);
  }
  const std::string content = ContentOf(*widget);
  const bool control = !content.empty();
  if (counting) {
    if (control) {
      ++counts.controls;
      std::string name = widget->objectName().toStdString();
      if (name.empty()) name = widget->metaObject()->className();
      ++counts.perControl[name];
      const auto last = lastContent_.find(widget);
      if (last != lastContent_.end() && last->second == content) {
        ++counts.unchangedControls;
        ++counts.unchangedPerControl[name];
      }
    } else {
      ++counts.containers;
    }
  }
  if (control) lastContent_[widget] = content;
  return false;
}

}  // namespace vmd::measure
