// Drives the report exchange's data handler with a stream of arbitrary input reports, as the read
// thread hands them over, and a command write at the device's output report length. Every report
// must leave the records and the window exactly as its first data byte says: an info reply fills
// the info and limits and shows the versions, a status reply replaces the status, anything else
// changes nothing.
//
// Input: a first byte choosing the output report length (and whether the capability query
// fails), then reports as [length byte][report ID][data...].
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "link/report_exchange.h"
#include "tests/support/recording_device.h"
#include "tests/support/recording_view.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Shown {
  std::string connectionText;
  std::string hardwareVersion;
  bool polling = false;
  std::size_t logSize = 0;
  friend bool operator==(const Shown&, const Shown&) = default;
};

Shown ShownBy(const vmd::testing::RecordingView& view) {
  return {view.connectionText, view.hardwareVersion, view.polling, view.log.size()};
}

std::string VersionText(std::uint8_t byte) {
  return vmd::FixedPointTextOfRatio(static_cast<std::int8_t>(byte), 100, 2);
}

// The command write: exactly the output report length, ID 1, the command, zeros.
void CheckCommandWrite(vmd::ReportExchange& exchange, vmd::testing::RecordingDevice& device,
                       std::uint8_t command) {
  const std::size_t before = device.writes.size();
  exchange.SendCommand(command);
  const std::size_t length = device.caps.outputReportByteLength;
  if (device.capsThrow || length == 0) {
    Check(device.writes.size() == before);
    return;
  }
  Check(device.writes.size() == before + 1);
  const std::vector<std::uint8_t>& report = device.writes.back();
  Check(report.size() == length);
  Check(report[0] == vmd::HID_OUTPUT_REPORT_ID);
  if (length > 1) Check(report[1] == command);
  for (std::size_t i = 2; i < report.size(); ++i) Check(report[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  vmd::DriverRecords records;
  vmd::testing::RecordingView view;
  vmd::ReportExchange exchange(records, view);
  vmd::testing::RecordingDevice device;
  device.capsThrow = bytes[0] == 0xFF;
  device.caps.outputReportByteLength = static_cast<std::size_t>(bytes[0]) * 2;  // 0...508
  exchange.CurrentDevice = &device;

  exchange.SendCommand(vmd::CMD_GET_INFO);  // not connected: nothing goes out
  Check(device.writes.empty());
  exchange.DeviceConnected = true;
  CheckCommandWrite(exchange, device, vmd::CMD_GET_INFO);

  std::span<const std::uint8_t> rest(bytes + 1, size - 1);
  while (rest.size() >= 2) {
    const std::size_t length = std::min<std::size_t>(rest[0], rest.size() - 1);
    const std::vector<std::uint8_t> report(rest.begin() + 1,
                                           rest.begin() + 1 + static_cast<std::ptrdiff_t>(length));
    rest = rest.subspan(1 + length);
    if (report.empty()) continue;
    // As the read thread splits it: the report ID, then the data bytes in a buffer of their own.
    const std::uint8_t reportId = report[0];
    const std::vector<std::uint8_t> data(report.begin() + 1, report.end());

    const vmd::DriverRecords before = records;
    const Shown shownBefore = ShownBy(view);
    exchange.HidDataReceived(device, reportId, data);

    const bool isInfo = data.size() >= vmd::kInfoReplyDataBytes && data[0] == vmd::CMD_GET_INFO;
    const bool isStatus =
        data.size() >= vmd::kStatusReplyDataBytes && data[0] == vmd::CMD_GET_STATUS;
    if (isInfo) {
      Check(records.info == vmd::DecodeInfoReply(data)->info);
      Check(records.limits == vmd::DecodeInfoReply(data)->limits);
      Check(records.status == before.status);
      Check(view.connectionText ==
            "Connected to VMD220 ver.: " + VersionText(data[1]) + "   " + records.info.infoText);
      Check(view.hardwareVersion == VersionText(data[11]));
      Check(view.polling);
    } else if (isStatus) {
      Check(records.status == *vmd::DecodeStatusReply(data));
      Check(records.info == before.info && records.limits == before.limits);
      Check(ShownBy(view) == shownBefore);
    } else {
      Check(records.info == before.info && records.limits == before.limits &&
            records.status == before.status);
      Check(ShownBy(view) == shownBefore);
    }
  }

  // Polling goes to the same device whatever came in.
  CheckCommandWrite(exchange, device, vmd::CMD_GET_STATUS);
  return 0;
}
