#include "sim/sim_device.h"

#include <gtest/gtest.h>

#include <set>

namespace vmd::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Request(std::uint8_t command, std::size_t length = 65) {
  Bytes report(length, 0);
  report[0] = 1;
  if (length > 1) report[1] = command;
  return report;
}

SimOptions Parse(std::vector<std::string_view> args) {
  std::string error;
  auto options = ParseOptions(args, error);
  EXPECT_TRUE(options.has_value()) << error;
  return options.value_or(SimOptions{});
}

TEST(ReportDescriptorTest, DeclaresReportOneWithSixtyFourBytesEachWay) {
  const Bytes expected = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x15, 0x00,
                          0x26, 0xFF, 0x00, 0x75, 0x08, 0x96, 0x40, 0x00, 0x09, 0x01, 0x81,
                          0x02, 0x96, 0x40, 0x00, 0x09, 0x01, 0x91, 0x02, 0xC0};
  EXPECT_EQ(ReportDescriptor(64, 64), expected);
}

TEST(ReportDescriptorTest, CountsAboveOneByteAreLittleEndian) {
  const Bytes d = ReportDescriptor(8, 300);
  EXPECT_EQ((Bytes{d[16], d[17], d[18]}), (Bytes{0x96, 8, 0}));
  EXPECT_EQ((Bytes{d[23], d[24], d[25]}), (Bytes{0x96, 0x2C, 0x01}));
}

TEST(ReplyTest, InfoReplyCarriesVersionsTextAndLimits) {
  const SimOptions options =
      Parse({"--version", "-127", "--hw-version", "150", "--info", "AB 7", "--limits", "1,2,3,4"});
  const Bytes reply = ReplyTo(options, Request(CMD_GET_INFO), 0);
  ASSERT_EQ(reply.size(), 65u);
  EXPECT_EQ(reply[0], 1);
  const auto decoded = DecodeInfoReply(std::span(reply).subspan(1));
  ASSERT_TRUE(decoded);
  EXPECT_FLOAT_EQ(decoded->info.deviceVersion, -1.27f);
  EXPECT_FLOAT_EQ(decoded->info.hardwareVersion, -1.06f);  // 150 is the byte 0x96
  EXPECT_EQ(decoded->info.infoText, "AB 7");
  EXPECT_EQ(decoded->limits, (TDriverLimits{1, 2, 3, 4}));
  EXPECT_TRUE(std::all_of(reply.begin() + 23, reply.end(), [](auto b) { return b == 0; }));
}

TEST(ReplyTest, StatusReplyOfTheFixedScenarioIsTheConfiguredStatus) {
  const SimOptions options =
      Parse({"--scenario", "fixed", "--set", "potentiometer=1650", "--set", "currentAct=-1500",
             "--set", "supplyVoltage=24123", "--set", "reserved=7", "--set", "pwmAct=-300"});
  const Bytes reply = ReplyTo(options, Request(CMD_GET_STATUS), 123456);
  ASSERT_EQ(reply.size(), 65u);
  const auto status = DecodeStatusReply(std::span(reply).subspan(1));
  ASSERT_TRUE(status);
  TDriverStatus expected{};
  expected.potentiometer = 1650;
  expected.currentAct = -1500;
  expected.supplyVoltage = 24123;
  expected.reserved = 7;
  expected.pwmAct = -300;
  EXPECT_EQ(*status, expected);
}

TEST(ReplyTest, ReplyKinds) {
  struct Case {
    const char* option;
    const char* kind;
    std::uint8_t command;
    std::size_t size;  // 0: no reply
    std::uint8_t firstData;
  };
  const Case cases[] = {
      {"--info-reply", "none", CMD_GET_INFO, 0, 0},
      {"--info-reply", "none", CMD_GET_STATUS, 65, CMD_GET_STATUS},
      {"--status-reply", "none", CMD_GET_STATUS, 0, 0},
      {"--status-reply", "none", CMD_GET_INFO, 65, CMD_GET_INFO},
      {"--info-reply", "short", CMD_GET_INFO, 32, CMD_GET_INFO},
      {"--status-reply", "short", CMD_GET_STATUS, 32, CMD_GET_STATUS},
      {"--info-reply", "malformed", CMD_GET_INFO, 65, 0xEE},
      {"--status-reply", "malformed", CMD_GET_STATUS, 65, 0xEE},
      {"--status-reply", "normal", CMD_GET_STATUS, 65, CMD_GET_STATUS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.kind + " command " + std::to_string(c.command));
    const Bytes reply = ReplyTo(Parse({c.option, c.kind}), Request(c.command), 0);
    ASSERT_EQ(reply.size(), c.size);
    if (c.size == 0) continue;
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(reply[1], c.firstData);
  }
}

TEST(ReplyTest, NoReplyAnswersNothing) {
  const SimOptions options = Parse({"--no-reply"});
  EXPECT_TRUE(ReplyTo(options, Request(CMD_GET_INFO), 0).empty());
  EXPECT_TRUE(ReplyTo(options, Request(CMD_GET_STATUS), 0).empty());
}

TEST(ReplyTest, MalformedReplyIsNoReplyTheProgramReads) {
  const Bytes reply = ReplyTo(Parse({"--status-reply", "malformed"}), Request(CMD_GET_STATUS), 0);
  EXPECT_FALSE(DecodeStatusReply(std::span(reply).subspan(1)));
  EXPECT_FALSE(DecodeInfoReply(std::span(reply).subspan(1)));
}

TEST(ReplyTest, OtherReportsAreIgnored) {
  const SimOptions options;
  const Bytes ignored[] = {
      Request(0),
      Request(12),
      Request(255),
      Request(CMD_GET_INFO, 1),
      Bytes{},
      Bytes{2, CMD_GET_STATUS, 0, 0},  // another report ID
      Bytes{CMD_GET_STATUS, 0, 0},     // written without the report ID
  };
  for (const Bytes& report : ignored) {
    SCOPED_TRACE(HexText(report));
    EXPECT_TRUE(ReplyTo(options, report, 0).empty());
  }
}

TEST(ReplyTest, ShortRequestIsStillAnsweredAndTheLogShowsItsLength) {
  // The device answers a request however long it is; the bench catches an unpadded write in the
  // log, which records each report as long as it arrived.
  EXPECT_EQ(ReplyTo(SimOptions{}, Bytes{1, CMD_GET_INFO}, 0).size(), 65u);
}

TEST(ReplyTest, SmallInputReportCutsTheReply) {
  const SimOptions options = Parse({"--input-size", "24"});
  const Bytes info = ReplyTo(options, Request(CMD_GET_INFO), 0);
  ASSERT_EQ(info.size(), 25u);
  EXPECT_TRUE(DecodeInfoReply(std::span(info).subspan(1)));
  const Bytes status = ReplyTo(options, Request(CMD_GET_STATUS), 0);
  ASSERT_EQ(status.size(), 25u);
  EXPECT_EQ(status[1], CMD_GET_STATUS);
  EXPECT_FALSE(DecodeStatusReply(std::span(status).subspan(1)));
}

TEST(StatusTest, SweepStaysInRangeAndMoves) {
  const SimOptions options;
  std::set<int> states, errors, inputs, switches;
  std::uint16_t potMin = 0xFFFF, potMax = 0;
  for (std::int64_t t = 0; t <= 60000; t += 40) {
    const TDriverStatus s = StatusAt(options, t);
    potMin = std::min(potMin, s.potentiometer);
    potMax = std::max(potMax, s.potentiometer);
    ASSERT_LE(s.analogInput, 5000);
    ASSERT_LE(s.driverState, 3);
    ASSERT_LE(s.errorCode, 5);
    ASSERT_EQ(s.errorCode != 0, s.driverState == 2) << "t=" << t;
    ASSERT_EQ((s.outputs & 0x08) != 0, s.driverState == 2) << "t=" << t;
    ASSERT_GE(s.pwmAct, -1000);
    ASSERT_LE(s.pwmAct, 1000);
    states.insert(s.driverState);
    errors.insert(s.errorCode);
    inputs.insert(s.inputs);
    switches.insert(s.switches);
  }
  EXPECT_EQ(potMin, 0);
  EXPECT_EQ(potMax, 3300);
  EXPECT_EQ(states, (std::set<int>{0, 1, 2, 3}));
  EXPECT_EQ(errors, (std::set<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(inputs.size(), 16u);
  EXPECT_EQ(switches.size(), 31u);  // one pattern every two seconds
}

TEST(StatusTest, SweepKeepsFieldsSetOnTheCommandLine) {
  const SimOptions options = Parse({"--set", "potentiometer=1234", "--set", "driverState=1"});
  for (std::int64_t t : {0, 1000, 5000, 7777}) {
    const TDriverStatus s = StatusAt(options, t);
    EXPECT_EQ(s.potentiometer, 1234);
    EXPECT_EQ(s.driverState, 1);
  }
  EXPECT_NE(StatusAt(options, 0).analogInput, StatusAt(options, 500).analogInput);
}

TEST(OptionsTest, Defaults) {
  const SimOptions options = Parse({});
  EXPECT_EQ(options.name, "VMD220");
  EXPECT_EQ(options.inputSize, 64u);
  EXPECT_EQ(options.outputSize, 64u);
  EXPECT_EQ(options.infoReply, ReplyKind::Normal);
  EXPECT_EQ(options.scenario, Scenario::Sweep);
}

TEST(OptionsTest, ValuesAreRead) {
  const SimOptions options =
      Parse({"--name", "Other", "--vid", "0x1234", "--pid", "ab", "--delay", "250", "--input-size",
             "8", "--output-size", "300", "--log", "/tmp/x.log", "--uniq", "u1"});
  EXPECT_EQ(options.name, "Other");
  EXPECT_EQ(options.vendorId, 0x1234);
  EXPECT_EQ(options.productId, 0xAB);
  EXPECT_EQ(options.replyDelayMs, 250);
  EXPECT_EQ(options.inputSize, 8u);
  EXPECT_EQ(options.outputSize, 300u);
  EXPECT_EQ(options.logPath, "/tmp/x.log");
  EXPECT_EQ(options.uniq, "u1");
}

TEST(OptionsTest, BadCommandLinesAreRefused) {
  const std::vector<std::vector<std::string_view>> bad = {
      {"--vid"},
      {"--vid", "12345"},
      {"--pid", "xyz"},
      {"--delay", "-1"},
      {"--input-size", "0"},
      {"--output-size", "5000"},
      {"--version", "300"},
      {"--info", "ten chars!"},
      {"--info-reply", "slow"},
      {"--scenario", "x"},
      {"--set", "potentiometer"},
      {"--set", "nope=1"},
      {"--set", "inputs=256"},
      {"--limits", "1,2,3"},
      {"--limits", "1,2,3,70000"},
      {"--frobnicate"},
      {"--name", ""},
      {"--help"},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(std::string(args[0]));
    std::string error;
    EXPECT_FALSE(ParseOptions(args, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST(HexTextTest, LowerCaseWithoutSeparators) {
  EXPECT_EQ(HexText(Bytes{0x01, 0x0B, 0x00, 0xFF, 0xA5}), "010b00ffa5");
  EXPECT_EQ(HexText(Bytes{}), "");
}

}  // namespace
}  // namespace vmd::sim
