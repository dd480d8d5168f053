#include "link/report_exchange.h"

#include "common/driver_identity.h"
#include "common/number_text.h"

namespace vmd {

void ReportExchange::SendReport(std::span<const std::uint8_t> payload) {
  if (!DeviceConnected || CurrentDevice == nullptr) return;
  try {
    const std::size_t length = CurrentDevice->Caps().outputReportByteLength;
    if (length == 0) return;
    CurrentDevice->WriteReport(EncodeReport(payload, length));
  } catch (...) {
    // A command that cannot be sent is lost; the next device change sorts the link out.
  }
}

void ReportExchange::SendCommand(std::uint8_t code) {
  const std::uint8_t payload[] = {code};
  SendReport(payload);
}

void ReportExchange::ReadDataTimerTimer() {
  if (DeviceConnected) SendCommand(CMD_GET_STATUS);
}

void ReportExchange::HidDataReceived(HidDevice& /*device*/, std::uint8_t /*reportId*/,
                                     std::span<const std::uint8_t> data) {
  if (data.empty()) return;
  switch (data[0]) {
    case CMD_GET_INFO:
      if (auto reply = DecodeInfoReply(data)) {
        records_.info = reply->info;
        view_.SetConnectionText(ConnectionText(records_.info));
        view_.EnablePolling();
        view_.SetHardwareVersionText(FixedPointText(records_.info.hardwareVersion, 2));
        records_.limits = reply->limits;
      }
      break;
    case CMD_GET_STATUS:
      if (auto status = DecodeStatusReply(data)) records_.status = *status;
      break;
    default:
      break;
  }
}

std::string ConnectionText(const TDriverInfo& info) {
  return "Connected to " + std::string(DriverProductName) +
         " ver.: " + FixedPointText(info.deviceVersion, 2) + "   " + info.infoText;
}

}  // namespace vmd
