#include "link/report_exchange.h"

#include <gtest/gtest.h>

#include "tests/support/recording_device.h"
#include "tests/support/recording_view.h"

namespace vmd {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::RecordingDevice;
using testing::RecordingView;

Bytes Report(std::uint8_t command, std::size_t length) {
  Bytes report(length, 0);
  report[0] = 1;
  report[1] = command;
  return report;
}

Bytes InfoData(std::uint8_t version, const std::string& text, std::uint8_t hardware) {
  Bytes data(64, 0);
  data[0] = CMD_GET_INFO;
  data[1] = version;
  std::copy(text.begin(), text.end(), data.begin() + 2);
  data[11] = hardware;
  const Bytes limits = EncodeLimits({48000, 100, 1000, 3000});
  std::copy(limits.begin(), limits.end(), data.begin() + 12);
  return data;
}

class ReportExchangeTest : public ::testing::Test {
 protected:
  DriverRecords records;
  RecordingView view;
  ReportExchange exchange{records, view};
  RecordingDevice device;

  void Attach() {
    exchange.CurrentDevice = &device;
    exchange.DeviceConnected = true;
  }
  void Receive(const Bytes& data) { exchange.HidDataReceived(device, 1, data); }
};

TEST_F(ReportExchangeTest, SendsCommandsAtTheDevicesOutputReportLength) {
  Attach();
  exchange.SendCommand(CMD_GET_INFO);
  device.caps.outputReportByteLength = 9;
  exchange.ReadDataTimerTimer();
  device.caps.outputReportByteLength = 300;
  exchange.SendCommand(CMD_GET_STATUS);
  ASSERT_EQ(device.writes.size(), 3u);
  EXPECT_EQ(device.writes[0], Report(CMD_GET_INFO, 65));
  EXPECT_EQ(device.writes[1], (Bytes{1, 11, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(device.writes[2], Report(CMD_GET_STATUS, 300));
}

TEST_F(ReportExchangeTest, SendsNothingWithoutAConnectionOrAReportLength) {
  exchange.CurrentDevice = &device;  // set, but not connected
  exchange.SendCommand(CMD_GET_STATUS);
  exchange.ReadDataTimerTimer();
  EXPECT_TRUE(device.writes.empty());

  Attach();
  device.caps.outputReportByteLength = 0;
  exchange.SendCommand(CMD_GET_STATUS);
  device.caps.outputReportByteLength = 65;
  device.capsThrow = true;
  EXPECT_NO_THROW(exchange.SendCommand(CMD_GET_STATUS));
  EXPECT_TRUE(device.writes.empty());
}

TEST_F(ReportExchangeTest, FailedWritesAreLostQuietly) {
  Attach();
  device.writeFails = true;
  EXPECT_NO_THROW(exchange.ReadDataTimerTimer());
  device.writeThrows = true;
  EXPECT_NO_THROW(exchange.ReadDataTimerTimer());
  EXPECT_EQ(device.writes.size(), 1u);
  EXPECT_EQ(records.status, TDriverStatus{});
}

TEST_F(ReportExchangeTest, InfoReplyIdentifiesTheDriverAndStartsPolling) {
  Attach();
  Receive(InfoData(101, "A", 0x96));
  EXPECT_EQ(view.connectionText, "Connected to VMD220 ver.: 1.01   A");
  EXPECT_EQ(view.hardwareVersion, "-1.06");
  EXPECT_TRUE(view.polling);
  EXPECT_EQ(records.info.infoText, "A");
  EXPECT_EQ(records.limits, (TDriverLimits{48000, 100, 1000, 3000}));
  EXPECT_TRUE(device.writes.empty());  // a reply sends nothing by itself
}

TEST_F(ReportExchangeTest, VersionTexts) {
  const struct {
    std::uint8_t byte;
    const char* text;
  } cases[] = {{100, "1.00"}, {5, "0.05"}, {0x81, "-1.27"}, {0, "0.00"}, {0x80, "-1.28"}};
  for (const auto& c : cases) {
    Receive(InfoData(c.byte, "", c.byte));
    EXPECT_EQ(view.connectionText, std::string("Connected to VMD220 ver.: ") + c.text + "   ");
    EXPECT_EQ(view.hardwareVersion, c.text);
  }
}

TEST_F(ReportExchangeTest, RepeatedInfoReplyKeepsThePollingRhythm) {
  Attach();
  Receive(InfoData(101, "A", 1));
  Receive(InfoData(102, "B", 1));
  EXPECT_EQ(view.pollingStarts, 1);
  EXPECT_EQ(view.connectionText, "Connected to VMD220 ver.: 1.02   B");
}

TEST_F(ReportExchangeTest, RepliesUpdateRecordsEvenWhileNotConnected) {
  exchange.CurrentDevice = &device;
  Bytes status(30, 0);
  status[0] = CMD_GET_STATUS;
  status[5] = 0x72;
  status[6] = 0x06;
  Receive(status);
  EXPECT_EQ(records.status.potentiometer, 1650);

  Receive(InfoData(101, "A", 1));
  EXPECT_EQ(view.connectionText, "Connected to VMD220 ver.: 1.01   A");
  EXPECT_TRUE(view.polling);
  exchange.ReadDataTimerTimer();
  EXPECT_TRUE(device.writes.empty());  // polling runs, but sends nothing until attached
}

TEST_F(ReportExchangeTest, ForeignShortAndEmptyRepliesChangeNothing) {
  Attach();
  Receive(InfoData(101, "A", 1));
  Bytes status(30, 0);
  status[0] = CMD_GET_STATUS;
  status[1] = 0x0F;
  Receive(status);
  const DriverRecords before = records;
  const RecordingView viewBefore = view;

  Bytes foreign(64, 0xFF);
  foreign[0] = 0;
  Receive(foreign);
  foreign[0] = 12;
  Receive(foreign);
  Receive(Bytes{CMD_GET_STATUS, 1, 2, 3});
  Receive(Bytes{CMD_GET_INFO, 101, 'x'});
  Receive(Bytes{});
  EXPECT_EQ(records.status, before.status);
  EXPECT_EQ(records.limits, before.limits);
  EXPECT_EQ(records.info, before.info);
  EXPECT_EQ(view.log, viewBefore.log);
}

TEST_F(ReportExchangeTest, StatusReplyReplacesTheWholeRecordAndDrawsNothing) {
  Bytes status(64, 0xEE);
  status[0] = CMD_GET_STATUS;
  for (std::size_t i = 1; i <= 28; ++i) status[i] = static_cast<std::uint8_t>(i);
  Receive(status);
  const Bytes stored = EncodeStatus(records.status);
  EXPECT_EQ(stored, Bytes(status.begin() + 1, status.begin() + 29));
  EXPECT_TRUE(view.log.empty());
}

}  // namespace
}  // namespace vmd
