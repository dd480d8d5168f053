// What vmd220ctl prints: device texts made harmless for terminals, JSON and CSV; the status record
// carries exactly the panel's content; unknown state and error codes leave captions as they were.
#include "cli/report_output.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/text_escape.h"
#include "display/status_panel.h"

namespace vmd::cli {
namespace {

struct EscapeCase {
  std::string in;
  std::string text;  // EscapeControls
  std::string json;  // JsonString
  std::string csv;   // CsvString
};

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, Escapes) {
  EXPECT_EQ(EscapeControls(GetParam().in), GetParam().text);
  EXPECT_EQ(JsonString(GetParam().in), GetParam().json);
  EXPECT_EQ(CsvString(GetParam().in), GetParam().csv);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EscapeTest,
    ::testing::Values(
        EscapeCase{"VMD220 ", "VMD220 ", "\"VMD220 \"", "\"VMD220 \""},
        EscapeCase{"", "", "\"\"", "\"\""},
        EscapeCase{"a\"b\\c", "a\"b\\\\c", "\"a\\\"b\\\\c\"", "\"a\"\"b\\\\c\""},
        EscapeCase{"x\ny\x1b[2J\x7f", "x\\x0Ay\\x1B[2J\\x7F", "\"x\\u000ay\\u001b[2J\\u007f\"",
                   "\"x\\x0Ay\\x1B[2J\\x7F\""},
        // Valid UTF-8 passes; a byte that is no part of a valid sequence is its Latin-1 character.
        EscapeCase{"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\"\xC3\xA9t\xC3\xA9\"",
                   "\"\xC3\xA9t\xC3\xA9\""},
        EscapeCase{"\xE9t\xE9", "\xE9t\xE9", "\"\\u00e9t\\u00e9\"", "\"\xE9t\xE9\""},
        EscapeCase{"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\"",
                   "\"\xF0\x9F\x98\x80\""},
        EscapeCase{"\xC3", "\xC3", "\"\\u00c3\"", "\"\xC3\""},
        EscapeCase{"\xC0\xAF", "\xC0\xAF", "\"\\u00c0\\u00af\"", "\"\xC0\xAF\""},  // overlong
        EscapeCase{"\xED\xA0\x80", "\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\"",
                   "\"\xED\xA0\x80\""}));  // a surrogate

std::map<std::string, FieldValue> FieldMap(const OutputRecord& record) {
  std::map<std::string, FieldValue> map;
  for (const Field& field : record.fields) map[field.key] = field.value;
  return map;
}

TDriverStatus Status(std::uint8_t switches, std::uint16_t potentiometer, std::int32_t currentAct,
                     std::uint8_t state, std::uint8_t error) {
  TDriverStatus s;
  s.switches = switches;
  s.inputs = 0b1010;
  s.outputs = 0b11000;
  s.potentiometer = potentiometer;
  s.analogInput = 2550;
  s.currentAct = currentAct;
  s.currentLimit = 1234567;
  s.supplyVoltage = 499;
  s.temperature = 70;
  s.pwmAct = -300;
  s.pwmLimit = 29;
  s.driverState = state;
  s.errorCode = error;
  return s;
}

class StatusRecordTest : public ::testing::TestWithParam<TDriverStatus> {};

TEST_P(StatusRecordTest, CarriesThePanelContentAndTheRawValues) {
  const TDriverLimits limits{48000, 0, 100, 3000};
  const TDriverStatus& status = GetParam();
  StatusRecords records;
  const auto fields = FieldMap(records.Record(status, limits, std::nullopt));
  const PanelContent panel = StatusPanelContent(status, limits, ".");
  for (const BoxContent& box : panel.boxes) {
    EXPECT_EQ(fields.at(std::string(box.name)), FieldValue{box.look.text}) << box.name;
  }
  for (const ValueRow& row : panel.values) {
    EXPECT_EQ(fields.at(std::string(row.labelName)), FieldValue{row.caption}) << row.labelName;
    EXPECT_EQ(fields.at(std::string(row.barName)), FieldValue{std::int64_t{row.barPosition}});
  }
  EXPECT_EQ(fields.at(std::string(kWorkModeLabel)), FieldValue{panel.workMode});
  EXPECT_EQ(fields.at("switches"), FieldValue{std::int64_t{status.switches}});
  EXPECT_EQ(fields.at("currentAct"), FieldValue{std::int64_t{status.currentAct}});
  EXPECT_EQ(fields.at("pwmAct"), FieldValue{std::int64_t{status.pwmAct}});
  EXPECT_EQ(fields.at("supplyVoltage"), FieldValue{std::int64_t{status.supplyVoltage}});
  EXPECT_EQ(fields.at("pwmMax"), FieldValue{std::int64_t{limits.pwmMax}});
  EXPECT_FALSE(fields.contains("time"));
}

INSTANTIATE_TEST_SUITE_P(Statuses, StatusRecordTest,
                         ::testing::Values(TDriverStatus{}, Status(0b11, 1650, -1500, 2, 1),
                                           Status(0b01, 32984, -4, 3, 5),
                                           Status(0b10, 65535, -5, 1, 0),
                                           Status(0b111111, 0, INT32_MIN, 0, 4)));

TEST(StatusRecordsTest, UnknownStateAndErrorLeaveTheCaptionsAsTheWindowDoes) {
  StatusRecords records;
  const TDriverLimits limits{};
  struct Step {
    std::uint8_t state;
    std::uint8_t error;
    const char* stateCaption;
    const char* errorCaption;
    const char* stateLine;
    const char* errorLine;
  };
  const Step steps[] = {
      {7, 9, "Stop", "None", "Driver status  Stop  (state code 7 unknown: caption unchanged)\n",
       "Driver error   None  (error code 9 unknown: caption unchanged)\n"},
      {1, 0, "Run", " ", "Driver status  Run\n", "Driver error    \n"},
      {7, 2, "Run", "Over temperature",
       "Driver status  Run  (state code 7 unknown: caption unchanged)\n",
       "Driver error   Over temperature\n"},
      {3, 9, "Stop on limit ", "Over temperature", "Driver status  Stop on limit \n",
       "Driver error   Over temperature  (error code 9 unknown: caption unchanged)\n"},
  };
  for (const Step& step : steps) {
    TDriverStatus status;
    status.driverState = step.state;
    status.errorCode = step.error;
    const OutputRecord record = records.Record(status, limits, std::nullopt);
    const auto fields = FieldMap(record);
    EXPECT_EQ(fields.at("Label_DriverStatus"), FieldValue{std::string(step.stateCaption)});
    EXPECT_EQ(fields.at("Label_DriverError"), FieldValue{std::string(step.errorCaption)});
    EXPECT_NE(record.text.find(step.stateLine), std::string::npos) << record.text;
    EXPECT_NE(record.text.find(step.errorLine), std::string::npos) << record.text;
    EXPECT_EQ(fields.at("driverState"), FieldValue{std::int64_t{step.state}});
  }
}

TEST(InfoRecordTest, DeviceTextIsEscapedInTextAndKeptInJson) {
  TDriverInfo info{"A\x1b]0;x\x07\xE9", 1.27f, -1.28f};
  const OutputRecord record = InfoRecord(info, {}, std::nullopt);
  EXPECT_NE(record.text.find("Info text         A\\x1B]0;x\\x07\xE9\n"), std::string::npos)
      << record.text;
  EXPECT_NE(record.text.find("Hardware version  -1.28\n"), std::string::npos);
  std::ostringstream json;
  RecordWriter(json, Format::Json).Write(record);
  EXPECT_NE(json.str().find(R"("infoText":"A\u001b]0;x\u0007\u00e9")"), std::string::npos)
      << json.str();
  EXPECT_EQ(json.str().find("path"), std::string::npos);
}

TEST(RecordWriterTest, CsvRepeatsTheHeaderWhenTheColumnsChange) {
  std::ostringstream out;
  RecordWriter writer(out, Format::Csv);
  writer.Write({{{"a", std::int64_t{1}}, {"b", std::string("x,y")}}, ""});
  writer.Write({{{"a", std::int64_t{2}}, {"b", FieldValue{}}}, ""});
  writer.Write({{{"c", true}}, ""});
  EXPECT_EQ(out.str(), "a,b\n1,\"x,y\"\n2,\nc\ntrue\n");
}

TEST(RecordWriterTest, TextBlocksStandApartByAnEmptyLine) {
  std::ostringstream out;
  RecordWriter writer(out, Format::Text);
  writer.Write({{}, "one\n"});
  writer.Write({{}, "two\n"});
  EXPECT_EQ(out.str(), "one\n\ntwo\n");
}

}  // namespace
}  // namespace vmd::cli
