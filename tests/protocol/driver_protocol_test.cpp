#include "protocol/driver_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vmd {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An info reply's data bytes D0..D21 (report ID split off).
Bytes InfoReplyData(std::uint8_t deviceVersion, Bytes text9, std::uint8_t hardwareVersion,
                    Bytes limits10) {
  Bytes data{CMD_GET_INFO, deviceVersion};
  text9.resize(9, 0);
  data.insert(data.end(), text9.begin(), text9.end());
  data.push_back(hardwareVersion);
  limits10.resize(10, 0);
  data.insert(data.end(), limits10.begin(), limits10.end());
  return data;
}

TEST(EncodeCommand, FillsTheReportToItsLength) {
  Bytes expected(65, 0);
  expected[0] = 1;
  expected[1] = 11;
  EXPECT_EQ(EncodeCommand(CMD_GET_STATUS, 65), expected);
  EXPECT_EQ(EncodeCommand(CMD_GET_INFO, 9), (Bytes{1, 10, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(EncodeCommand(CMD_GET_INFO, 2), (Bytes{1, 10}));
  EXPECT_EQ(EncodeCommand(CMD_GET_INFO, 1), (Bytes{1}));
  EXPECT_TRUE(EncodeCommand(CMD_GET_INFO, 0).empty());
  const Bytes long_report = EncodeCommand(CMD_GET_STATUS, 1024);
  ASSERT_EQ(long_report.size(), 1024u);
  EXPECT_EQ(long_report[1], 11);
  for (std::size_t i = 2; i < long_report.size(); ++i) ASSERT_EQ(long_report[i], 0) << i;
}

TEST(DecodeInfoReply, ReadsVersionsTextAndLimits) {
  const Bytes data =
      InfoReplyData(101, {'A', 'B', 'C'}, 0x96, {0x80, 0xBB, 0, 0, 100, 0, 0xE8, 3, 0xB8, 0x0B});
  const auto reply = DecodeInfoReply(data);
  ASSERT_TRUE(reply);
  EXPECT_FLOAT_EQ(reply->info.deviceVersion, 1.01f);
  EXPECT_FLOAT_EQ(reply->info.hardwareVersion, -1.06f);
  EXPECT_EQ(reply->info.infoText, "ABC");
  EXPECT_EQ(reply->limits.supplyMax, 48000u);
  EXPECT_EQ(reply->limits.temperatureMax, 100u);
  EXPECT_EQ(reply->limits.pwmMax, 1000u);
  EXPECT_EQ(reply->limits.currentMax, 3000u);
}

TEST(DecodeInfoReply, InfoTextEndsAtTheFirstZeroOrTheDeliveredData) {
  EXPECT_EQ(DecodeInfoReply(InfoReplyData(1, {}, 0, {}))->info.infoText, "");
  // No zero in D2..D11: the text takes in the hardware-version byte and stops at D12.
  Bytes data = InfoReplyData(1, {'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 'X', {0, 1, 2});
  EXPECT_EQ(DecodeInfoReply(data)->info.infoText, "123456789X");
  // No zero anywhere: the text runs to the end of the delivered data and no further.
  std::fill(data.begin() + 2, data.end(), std::uint8_t{'z'});
  data.push_back('!');
  EXPECT_EQ(DecodeInfoReply(data)->info.infoText, std::string(20, 'z') + "!");
}

TEST(DecodeInfoReply, SignedVersionBytes) {
  const struct {
    std::uint8_t byte;
    float version;
  } cases[] = {{0, 0.0f}, {5, 0.05f}, {100, 1.0f}, {127, 1.27f}, {0x81, -1.27f}, {0x80, -1.28f}};
  for (const auto& c : cases) {
    const auto reply = DecodeInfoReply(InfoReplyData(c.byte, {}, c.byte, {}));
    ASSERT_TRUE(reply);
    EXPECT_FLOAT_EQ(reply->info.deviceVersion, c.version) << int{c.byte};
    EXPECT_FLOAT_EQ(reply->info.hardwareVersion, c.version) << int{c.byte};
  }
}

TEST(DecodeStatusReply, CopiesAllFieldsLittleEndian) {
  Bytes data{CMD_GET_STATUS,
             0x0F,
             0x18,
             0x3F,
             0xAA,  // inputs, outputs, switches, reserved
             0x72,
             0x06,  // potentiometer 1650
             0xC4,
             0x09,  // analogInput 2500
             2,
             1,  // errorCode, driverState
             70,
             0,  // temperature
             0x24,
             0xFA,
             0xFF,
             0xFF,  // currentAct -1500
             0xDC,
             0x05,
             0,
             0,  // currentLimit 1500
             0x3B,
             0x5E,
             0,
             0,  // supplyVoltage 24123
             0xD4,
             0xFE,  // pwmAct -300
             0xE8,
             0x03,  // pwmLimit 1000
             0x77,
             0x77};  // beyond the layout: ignored
  const auto status = DecodeStatusReply(data);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->inputs, 0x0F);
  EXPECT_EQ(status->outputs, 0x18);
  EXPECT_EQ(status->switches, 0x3F);
  EXPECT_EQ(status->reserved, 0xAA);
  EXPECT_EQ(status->potentiometer, 1650);
  EXPECT_EQ(status->analogInput, 2500);
  EXPECT_EQ(status->errorCode, 2);
  EXPECT_EQ(status->driverState, 1);
  EXPECT_EQ(status->temperature, 70);
  EXPECT_EQ(status->currentAct, -1500);
  EXPECT_EQ(status->currentLimit, 1500);
  EXPECT_EQ(status->supplyVoltage, 24123u);
  EXPECT_EQ(status->pwmAct, -300);
  EXPECT_EQ(status->pwmLimit, 1000);
  // The wire form round-trips.
  EXPECT_EQ(EncodeStatus(*status), Bytes(data.begin() + 1, data.begin() + 29));
}

TEST(DecodeReplies, ShortOrForeignRepliesCarryNothing) {
  Bytes info = InfoReplyData(1, {'A'}, 1, {1, 2, 3});
  EXPECT_TRUE(DecodeInfoReply(info));
  info.pop_back();
  EXPECT_FALSE(DecodeInfoReply(info));  // 21 data bytes: one short
  Bytes status(kStatusReplyDataBytes, 0);
  status[0] = CMD_GET_STATUS;
  EXPECT_TRUE(DecodeStatusReply(status));
  status.pop_back();
  EXPECT_FALSE(DecodeStatusReply(status));
  EXPECT_FALSE(DecodeStatusReply({}));
  EXPECT_FALSE(DecodeInfoReply({}));
  Bytes other(64, 0);
  other[0] = 12;
  EXPECT_FALSE(DecodeInfoReply(other));
  EXPECT_FALSE(DecodeStatusReply(other));
  other[0] = CMD_GET_STATUS;
  EXPECT_FALSE(DecodeInfoReply(other));  // each decoder takes only its own reply
}

TEST(Limits, RoundTripThroughTheWireForm) {
  const TDriverLimits limits{48000, 100, 1000, 3000};
  const Bytes bytes = EncodeLimits(limits);
  ASSERT_EQ(bytes.size(), sizeof(TDriverLimits));
  EXPECT_EQ(DecodeLimits(std::span<const std::uint8_t, 10>(bytes.data(), 10)), limits);
}

}  // namespace
}  // namespace vmd
