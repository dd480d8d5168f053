#include "link/hid/managed_hid_device.h"

#include "link/hid/product_string.h"

namespace vmd {

ManagedHidDevice::ManagedHidDevice(HidDeviceInfo info, HidBackend& backend,
                                   HidReportHandoff& handoff)
    : info_(std::move(info)), backend_(backend), handoff_(handoff) {
  caps_ = backend_.ReadCaps(info_.path);
  OpenReadWrite();
}

ManagedHidDevice::~ManagedHidDevice() {
  StopReading(/*deliverPending=*/false);
  connection_.reset();
}

const std::u16string& ManagedHidDevice::ProductString() {
  if (!productString_) {
    // Reading the product string reopens the device, which renews the read-write attempt: access
    // rights may have been granted since the device object was made.
    OpenReadWrite();
    productString_ = ProductStringFromUnits(info_.productString);
  }
  return *productString_;
}

void ManagedHidDevice::OpenReadWrite() {
  if (connection_) return;  // already open; reopening would pull it from under the reader
  connection_ = backend_.OpenReadWrite(info_.path);
}

bool ManagedHidDevice::WriteReport(std::span<const std::uint8_t> report) {
  if (!connection_) return false;
  return connection_->Write(report) >= 0;
}

void ManagedHidDevice::SetDataHandler(DataHandler handler) {
  if (!handler) {
    StopReading(/*deliverPending=*/true);
    handler_ = nullptr;
    return;
  }
  handler_ = std::move(handler);
  StartReadingIfReady();
}

void ManagedHidDevice::Release() {
  StopReading(/*deliverPending=*/true);
  handler_ = nullptr;
}

void ManagedHidDevice::StartReadingIfReady() {
  if (reader_ || !handler_ || !taken || givingBack || !plugged || !connection_) return;
  if (caps_.inputReportByteLength == 0) return;  // no input reports to read
  reader_ = std::make_unique<HidReadThread>(*connection_, caps_.inputReportByteLength, handoff_,
                                            [this](std::span<const std::uint8_t> report) {
                                              const DataHandler handler =
                                                  handler_;  // it may be replaced while it runs
                                              if (!handler || report.empty()) return;
                                              handler(*this, report[0], report.subspan(1));
                                            });
}

void ManagedHidDevice::StopReading(bool deliverPending) {
  // Taken out first: a handler that runs nested in Stop finds no reader to stop again.
  const std::unique_ptr<HidReadThread> reader = std::move(reader_);
  if (reader) reader->Stop(deliverPending);
}

}  // namespace vmd
