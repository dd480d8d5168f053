#include "protocol/driver_protocol.h"

#include <algorithm>

namespace vmd {
namespace {

template <typename T>
T ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) value |= std::uint64_t{bytes[offset + i]} << (8 * i);
  return static_cast<T>(value);
}

template <typename T>
void WriteLittleEndian(std::vector<std::uint8_t>& out, T value) {
  const auto bits = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

float VersionOf(std::uint8_t byte) {
  return static_cast<float>(static_cast<std::int8_t>(byte) * 0.01);
}

}  // namespace

std::vector<std::uint8_t> EncodeReport(std::span<const std::uint8_t> payload,
                                       std::size_t reportLength) {
  std::vector<std::uint8_t> report(reportLength, 0);
  if (reportLength == 0) return report;
  report[0] = HID_OUTPUT_REPORT_ID;
  const std::size_t fits = std::min(payload.size(), reportLength - 1);
  std::copy_n(payload.begin(), fits, report.begin() + 1);
  return report;
}

std::vector<std::uint8_t> EncodeCommand(std::uint8_t command, std::size_t reportLength) {
  const std::uint8_t payload[] = {command};
  return EncodeReport(payload, reportLength);
}

std::optional<InfoReply> DecodeInfoReply(std::span<const std::uint8_t> data) {
  if (data.size() < kInfoReplyDataBytes || data[0] != CMD_GET_INFO) return std::nullopt;
  InfoReply reply;
  reply.info.deviceVersion = VersionOf(data[1]);
  const auto text = data.subspan(2);
  const auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
  reply.info.infoText.assign(text.begin(), end);
  reply.info.hardwareVersion = VersionOf(data[11]);
  reply.limits = DecodeLimits(data.subspan<12, sizeof(TDriverLimits)>());
  return reply;
}

std::optional<TDriverStatus> DecodeStatusReply(std::span<const std::uint8_t> data) {
  if (data.size() < kStatusReplyDataBytes || data[0] != CMD_GET_STATUS) return std::nullopt;
  return DecodeStatus(data.subspan<1, sizeof(TDriverStatus)>());
}

TDriverLimits DecodeLimits(std::span<const std::uint8_t, sizeof(TDriverLimits)> bytes) {
  TDriverLimits limits;
  limits.supplyMax = ReadLittleEndian<std::uint32_t>(bytes, 0);
  limits.temperatureMax = ReadLittleEndian<std::uint16_t>(bytes, 4);
  limits.pwmMax = ReadLittleEndian<std::uint16_t>(bytes, 6);
  limits.currentMax = ReadLittleEndian<std::uint16_t>(bytes, 8);
  return limits;
}

TDriverStatus DecodeStatus(std::span<const std::uint8_t, sizeof(TDriverStatus)> bytes) {
  TDriverStatus status;
  status.inputs = bytes[0];
  status.outputs = bytes[1];
  status.switches = bytes[2];
  status.reserved = bytes[3];
  status.potentiometer = ReadLittleEndian<std::uint16_t>(bytes, 4);
  status.analogInput = ReadLittleEndian<std::uint16_t>(bytes, 6);
  status.errorCode = bytes[8];
  status.driverState = bytes[9];
  status.temperature = ReadLittleEndian<std::uint16_t>(bytes, 10);
  status.currentAct = ReadLittleEndian<std::int32_t>(bytes, 12);
  status.currentLimit = ReadLittleEndian<std::int32_t>(bytes, 16);
  status.supplyVoltage = ReadLittleEndian<std::uint32_t>(bytes, 20);
  status.pwmAct = ReadLittleEndian<std::int16_t>(bytes, 24);
  status.pwmLimit = ReadLittleEndian<std::int16_t>(bytes, 26);
  return status;
}

std::vector<std::uint8_t> EncodeLimits(const TDriverLimits& limits) {
  std::vector<std::uint8_t> out;
  WriteLittleEndian(out, limits.supplyMax);
  WriteLittleEndian(out, limits.temperatureMax);
  WriteLittleEndian(out, limits.pwmMax);
  WriteLittleEndian(out, limits.currentMax);
  return out;
}

std::vector<std::uint8_t> EncodeStatus(const TDriverStatus& status) {
  std::vector<std::uint8_t> out{status.inputs, status.outputs, status.switches, status.reserved};
  WriteLittleEndian(out, status.potentiometer);
  WriteLittleEndian(out, status.analogInput);
  out.push_back(status.errorCode);
  out.push_back(status.driverState);
  WriteLittleEndian(out, status.temperature);
  WriteLittleEndian(out, status.currentAct);
  WriteLittleEndian(out, status.currentLimit);
  WriteLittleEndian(out, status.supplyVoltage);
  WriteLittleEndian(out, status.pwmAct);
  WriteLittleEndian(out, status.pwmLimit);
  return out;
}

}  // namespace vmd
