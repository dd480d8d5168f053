#include "bench/link_harness.h"

#include "bench/bench_support.h"
#include "common/eight_bit_text.h"
#include "link/hid/system_hid.h"
#include "sim/sim_device.h"

namespace vmd::bench {

BenchView::BenchView(std::function<void()> pollTick) {
  ReadDataTimer.setInterval(40);
  ReadDataTimer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ReadDataTimer, &QTimer::timeout, std::move(pollTick));
}

void BenchView::SetConnectionText(const std::string& text) {
  connectionText = text;
  log.emplace_back(MonotonicMs(), text);
}

void BenchView::EnablePolling() {
  if (!ReadDataTimer.isActive()) ReadDataTimer.start();
}

void BenchView::Indicator(const std::string& text, bool stopPolling) {
  SetConnectionText(text);
  if (stopPolling) ReadDataTimer.stop();
}

// Forwards everything to the component's device; records writes and applies the breakage.
class RecordingController::Proxy : public HidDevice {
 public:
  Proxy(RecordingController& owner, HidDevice& inner) : owner_(owner), inner_(&inner) {}
  const std::u16string& ProductString() override {
    product_ = inner_->ProductString();
    if (owner_.breakage_ == Breakage::ProductName && !product_.empty()) product_.pop_back();
    return product_;
  }
  std::uint16_t VendorId() const override { return inner_->VendorId(); }
  std::uint16_t ProductId() const override { return inner_->ProductId(); }
  bool HasReadWriteAccess() const override { return inner_->HasReadWriteAccess(); }
  HidCaps Caps() override { return inner_->Caps(); }
  bool WriteReport(std::span<const std::uint8_t> report) override {
    if (owner_.breakage_ == Breakage::UnpaddedWrite)
      report = report.first(std::min<std::size_t>(report.size(), 2));
    const bool ok = inner_->WriteReport(report);
    owner_.writes.push_back(
        {MonotonicMs(), EightBitFromUtf16(inner_->ProductString()), sim::HexText(report), ok});
    return ok;
  }
  void SetDataHandler(DataHandler handler) override {
    if (!handler) return inner_->SetDataHandler(nullptr);
    inner_->SetDataHandler([this, handler = std::move(handler)](
                               HidDevice&, std::uint8_t id, std::span<const std::uint8_t> data) {
      handler(*this, id, data);
    });
  }

 private:
  RecordingController& owner_;
  HidDevice* inner_;
  std::u16string product_;
};

RecordingController::RecordingController(std::unique_ptr<HidController> inner, Breakage breakage)
    : inner_(std::move(inner)), breakage_(breakage) {}

RecordingController::~RecordingController() = default;

void RecordingController::SetDeviceChangeHandler(DeviceChangeHandler handler) {
  inner_->SetDeviceChangeHandler(std::move(handler));
}

RecordingController::Proxy& RecordingController::ProxyFor(HidDevice& device) {
  auto& proxy = proxies_[&device];
  if (!proxy) proxy = std::make_unique<Proxy>(*this, device);
  return *proxy;
}

void RecordingController::Enumerate(const EnumerateHandler& handler) {
  inner_->Enumerate([&](HidDevice& device, int index) { return handler(ProxyFor(device), index); });
}

HidDevice* RecordingController::CheckOutByIndex(int index) {
  HidDevice* const device = inner_->CheckOutByIndex(index);
  if (device == nullptr) return nullptr;
  return &ProxyFor(*device);
}

void RecordingController::CheckIn(HidDevice* device) {
  for (auto it = proxies_.begin(); it != proxies_.end(); ++it) {
    if (it->second.get() != device) continue;
    inner_->CheckIn(it->first);
    return;
  }
  inner_->CheckIn(device);
}

Link::Link(Breakage breakage) : view([this] { exchange.ReadDataTimerTimer(); }) {
  auto recording = std::make_unique<RecordingController>(CreateSystemHidController(), breakage);
  controller = recording.get();
  owner = std::move(recording);
  discovery = std::make_unique<Discovery>(*owner, exchange, view);
}

Link::~Link() {
  view.ReadDataTimer.stop();
  discovery.reset();
  owner.reset();
}

}  // namespace vmd::bench
