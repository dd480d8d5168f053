#pragma once
// A VMD220 driver on the fake HID system: answers the info and status requests as the driver does.

#include <algorithm>
#include <string>

#include "link/hid/fake/fake_hid.h"
#include "protocol/driver_protocol.h"

namespace vmd::testing {

using fake::Bytes;

inline constexpr std::uint8_t kDriverInputReportId = 2;

// The output report the program sends for `command` at report length `length`.
inline Bytes CommandReport(std::uint8_t command, std::size_t length = 65) {
  Bytes report(length, 0);
  report[0] = HID_OUTPUT_REPORT_ID;
  report[1] = command;
  return report;
}

inline Bytes InfoReport(std::uint8_t version, const std::string& text, std::uint8_t hardware,
                        const TDriverLimits& limits = {48000, 100, 1000, 3000},
                        std::size_t length = 65) {
  Bytes report(length, 0);
  report[0] = kDriverInputReportId;
  report[1] = CMD_GET_INFO;
  report[2] = version;
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 9), report.begin() + 3);
  report[12] = hardware;
  const Bytes wire = EncodeLimits(limits);
  std::copy(wire.begin(), wire.end(), report.begin() + 13);
  return report;
}

inline Bytes StatusReport(const TDriverStatus& status, std::size_t length = 65) {
  Bytes report(length, 0);
  report[0] = kDriverInputReportId;
  report[1] = CMD_GET_STATUS;
  const Bytes wire = EncodeStatus(status);
  std::copy(wire.begin(), wire.end(), report.begin() + 2);
  return report;
}

struct DriverAnswers {
  Bytes info = InfoReport(101, "A", 100);
  TDriverStatus status{};
};

inline fake::FakeHidDevice::Replier DriverReplier(DriverAnswers answers) {
  return [answers](std::span<const std::uint8_t> written) -> std::vector<Bytes> {
    if (written.size() < 2 || written[0] != HID_OUTPUT_REPORT_ID) return {};
    if (written[1] == CMD_GET_INFO) return {answers.info};
    if (written[1] == CMD_GET_STATUS) return {StatusReport(answers.status)};
    return {};
  };
}

inline fake::FakeHidDeviceTraits DriverTraits(bool readWrite = true) {
  fake::FakeHidDeviceTraits traits;
  traits.productString = u"VMD220";
  traits.vendorId = 0x16C0;
  traits.productId = 0x05DF;
  traits.readWrite = readWrite;
  return traits;
}

inline fake::FakeHidDeviceTraits OtherTraits(std::u16string product, std::uint16_t vid = 0x046D,
                                             std::uint16_t pid = 0xC31C) {
  fake::FakeHidDeviceTraits traits;
  traits.productString = std::move(product);
  traits.vendorId = vid;
  traits.productId = pid;
  traits.caps = {9, 2};
  return traits;
}

}  // namespace vmd::testing
