#include "display/status_panel.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "common/colours.h"

namespace vmd {
namespace {

constexpr std::array<std::string_view, kBoxCount> kBoxNames = {
    "SW1", "SW2", "SW3", "SW4", "SW5", "SW6", "IN1", "IN2", "IN3", "IN4", "OUT1", "OUT2"};

TEST(StatusPanelTest, ZeroedRecordsShowTheIdlePanel) {
  const PanelContent panel = StatusPanelContent(TDriverStatus{}, TDriverLimits{}, ".");

  for (std::size_t i = 0; i < kBoxCount; ++i) {
    EXPECT_EQ(panel.boxes[i].name, kBoxNames[i]);
    EXPECT_EQ(panel.boxes[i].look, (OnOffLook{"OFF", clIndicatorOff})) << kBoxNames[i];
  }

  struct Row {
    std::string_view label;
    std::string caption;
    std::string_view bar;
  };
  const std::array<Row, kValueRowCount> expected = {{
      {"LabVal_PowerSupply", "0 V ", "Pb_PowerSupply"},
      {"LabVal_Temperature", "0 C", "Pb_Temperature"},
      {"LabVal_Potentiometer", "0.0 % ", "Pb_Potentiometer"},
      {"LabVal_Ain", "0.0 V ", "Pb_AnalogInput"},
      {"LabVal_CurLim", "0.00 A ", "Pb_CurrentLimit"},
      {"LabVal_CurAct", "0.00 A ", "Pb_CurrentAct"},
      {"LabVal_PwmLim", "0 %", "Pb_PwmLimit"},
      {"LabVal_PwmAct", "0 %", "Pb_PwmAct"},
  }};
  for (std::size_t i = 0; i < kValueRowCount; ++i) {
    EXPECT_EQ(panel.values[i].labelName, expected[i].label);
    EXPECT_EQ(panel.values[i].caption, expected[i].caption) << expected[i].label;
    EXPECT_EQ(panel.values[i].barName, expected[i].bar);
    EXPECT_EQ(panel.values[i].barPosition, 0) << expected[i].bar;
  }

  EXPECT_EQ(panel.driverState, (DriverStateLook{"Idle", clBlack}));
  EXPECT_EQ(panel.driverError, " ");
  EXPECT_EQ(panel.workMode, "Speed set by 0-5V input (0.0 V )   Current limit max (0.00 A )");
}

// One value row for one pair of records.
struct ValueCase {
  const char* what;
  TDriverStatus status;
  TDriverLimits limits;
  ValueRowIndex row;
  std::string caption;
  std::int32_t barPosition;
};

class ValueRowTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueRowTest, ShowsCaptionAndBar) {
  const ValueCase& c = GetParam();
  const PanelContent panel = StatusPanelContent(c.status, c.limits, ".");
  EXPECT_EQ(panel.values[c.row].caption, c.caption) << c.what;
  EXPECT_EQ(panel.values[c.row].barPosition, c.barPosition) << c.what;
}

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    PowerSupply, ValueRowTest,
    ::testing::Values(
        ValueCase{"24123 of 48000",
                  {.supplyVoltage = 24123},
                  {.supplyMax = 48000},
                  kPowerSupplyRow,
                  "24 V ",
                  50},
        ValueCase{"half rounds up",
                  {.supplyVoltage = 24500},
                  {.supplyMax = 48000},
                  kPowerSupplyRow,
                  "25 V ",
                  51},
        ValueCase{
            "500 mV", {.supplyVoltage = 500}, {.supplyMax = 48000}, kPowerSupplyRow, "1 V ", 1},
        ValueCase{
            "499 mV", {.supplyVoltage = 499}, {.supplyMax = 48000}, kPowerSupplyRow, "0 V ", 1},
        ValueCase{"no full scale", {.supplyVoltage = 24000}, {}, kPowerSupplyRow, "24 V ", 0},
        ValueCase{"beyond int32, unsigned",
                  {.supplyVoltage = 3000000000U},
                  {.supplyMax = 4000000000U},
                  kPowerSupplyRow,
                  "3E6 V ",
                  75},
        ValueCase{"largest",
                  {.supplyVoltage = 4294967295U},
                  {.supplyMax = 48000},
                  kPowerSupplyRow,
                  "4.29E6 V ",
                  100}));

INSTANTIATE_TEST_SUITE_P(
    Temperature, ValueRowTest,
    ::testing::Values(
        ValueCase{"no full scale", {.temperature = 70}, {}, kTemperatureRow, "70 C", 0},
        ValueCase{"half", {.temperature = 40}, {.temperatureMax = 80}, kTemperatureRow, "40 C", 50},
        ValueCase{"unsigned",
                  {.temperature = 65535},
                  {.temperatureMax = 65535},
                  kTemperatureRow,
                  "65535 C",
                  100}));

INSTANTIATE_TEST_SUITE_P(
    Potentiometer, ValueRowTest,
    ::testing::Values(
        ValueCase{"full", {.potentiometer = 3300}, {}, kPotentiometerRow, "100.0 % ", 100},
        ValueCase{"half way", {.potentiometer = 1650}, {}, kPotentiometerRow, "50.0 % ", 50},
        ValueCase{"1234", {.potentiometer = 1234}, {}, kPotentiometerRow, "37.4 % ", 37},
        ValueCase{"whole after float rounding",
                  {.potentiometer = 957},
                  {},
                  kPotentiometerRow,
                  "29.0 % ",
                  29},
        ValueCase{
            "last below 1000", {.potentiometer = 32983}, {}, kPotentiometerRow, "999.0 % ", 100},
        ValueCase{"rounds to 1000", {.potentiometer = 32984}, {}, kPotentiometerRow, "1E3 % ", 100},
        ValueCase{"exact half of the third digit",
                  {.potentiometer = 33165},
                  {},
                  kPotentiometerRow,
                  "1.01E3 % ",
                  100},
        // Exact halves of the third digit that float or double arithmetic would round down.
        ValueCase{"float half", {.potentiometer = 33495}, {}, kPotentiometerRow, "1.02E3 % ", 100},
        ValueCase{"double half", {.potentiometer = 53295}, {}, kPotentiometerRow, "1.62E3 % ", 100},
        ValueCase{"unsigned", {.potentiometer = 65535}, {}, kPotentiometerRow, "1.99E3 % ", 100}));

INSTANTIATE_TEST_SUITE_P(
    AnalogInput, ValueRowTest,
    ::testing::Values(
        ValueCase{"half scale", {.analogInput = 2500}, {}, kAnalogInputRow, "2.5 V ", 50},
        ValueCase{"below the half", {.analogInput = 2549}, {}, kAnalogInputRow, "2.5 V ", 50},
        ValueCase{"above the half", {.analogInput = 2550}, {}, kAnalogInputRow, "2.6 V ", 51},
        ValueCase{"exact half", {.analogInput = 2450}, {}, kAnalogInputRow, "2.5 V ", 49},
        // The double nearest to 1.15 lies below it; the text rounds the exact value.
        ValueCase{
            "half below its double", {.analogInput = 1150}, {}, kAnalogInputRow, "1.2 V ", 23},
        ValueCase{"unsigned", {.analogInput = 65535}, {}, kAnalogInputRow, "65.5 V ", 100}));

INSTANTIATE_TEST_SUITE_P(
    CurrentLimit, ValueRowTest,
    ::testing::Values(
        ValueCase{"three digits",
                  {.currentLimit = 12345},
                  {.currentMax = 3000},
                  kCurrentLimitRow,
                  "12.30 A ",
                  100},
        ValueCase{
            "half", {.currentLimit = 1005}, {.currentMax = 3000}, kCurrentLimitRow, "1.01 A ", 33},
        ValueCase{"negative half",
                  {.currentLimit = -1005},
                  {.currentMax = 3000},
                  kCurrentLimitRow,
                  "-1.01 A ",
                  -33},
        ValueCase{"exponent",
                  {.currentLimit = 1234567},
                  {.currentMax = 3000},
                  kCurrentLimitRow,
                  "1.23E03 A ",
                  100},
        ValueCase{"half scale",
                  {.currentLimit = 1500},
                  {.currentMax = 3000},
                  kCurrentLimitRow,
                  "1.50 A ",
                  50},
        ValueCase{"no full scale", {.currentLimit = 1500}, {}, kCurrentLimitRow, "1.50 A ", 0},
        ValueCase{"most negative",
                  {.currentLimit = kInt32Min},
                  {.currentMax = 3000},
                  kCurrentLimitRow,
                  "-2.15E06 A ",
                  -100}));

INSTANTIATE_TEST_SUITE_P(CurrentAct, ValueRowTest,
                         ::testing::Values(ValueCase{"negative",
                                                     {.currentAct = -1500},
                                                     {.currentMax = 3000},
                                                     kCurrentActRow,
                                                     "-1.50 A ",
                                                     -50},
                                           ValueCase{"rounds to zero",
                                                     {.currentAct = -4},
                                                     {.currentMax = 3000},
                                                     kCurrentActRow,
                                                     "0.00 A ",
                                                     0},
                                           ValueCase{"rounds away from zero",
                                                     {.currentAct = -5},
                                                     {.currentMax = 3000},
                                                     kCurrentActRow,
                                                     "-0.01 A ",
                                                     0},
                                           ValueCase{"largest",
                                                     {.currentAct = kInt32Max},
                                                     {.currentMax = 65535},
                                                     kCurrentActRow,
                                                     "2.15E06 A ",
                                                     100}));

INSTANTIATE_TEST_SUITE_P(
    PwmLimit, ValueRowTest,
    ::testing::Values(
        ValueCase{"negative", {.pwmLimit = -300}, {.pwmMax = 1000}, kPwmLimitRow, "-30 %", -30},
        ValueCase{"whole after float rounding",
                  {.pwmLimit = 290},
                  {.pwmMax = 1000},
                  kPwmLimitRow,
                  "29 %",
                  29},
        ValueCase{"clamped", {.pwmLimit = -32768}, {.pwmMax = 100}, kPwmLimitRow, "-100 %", -100},
        ValueCase{"no full scale", {.pwmLimit = 32767}, {}, kPwmLimitRow, "0 %", 0}));

// The bar shows the magnitude, the label keeps the sign.
INSTANTIATE_TEST_SUITE_P(
    PwmAct, ValueRowTest,
    ::testing::Values(
        ValueCase{"negative", {.pwmAct = -300}, {.pwmMax = 1000}, kPwmActRow, "-30 %", 30},
        ValueCase{"positive", {.pwmAct = 300}, {.pwmMax = 1000}, kPwmActRow, "30 %", 30},
        ValueCase{"negative after float rounding",
                  {.pwmAct = -580},
                  {.pwmMax = 1000},
                  kPwmActRow,
                  "-58 %",
                  58},
        ValueCase{"clamped", {.pwmAct = -32768}, {.pwmMax = 100}, kPwmActRow, "-100 %", 100},
        ValueCase{"full", {.pwmAct = 1000}, {.pwmMax = 1000}, kPwmActRow, "100 %", 100}));

TEST(StatusPanelTest, EachBoxFollowsItsOwnBit) {
  struct Field {
    std::uint8_t TDriverStatus::*member;
    std::array<std::string_view, 8> boxOfBit;  // "": the bit has no box
  };
  const std::array<Field, 3> fields = {{
      {&TDriverStatus::switches, {"SW1", "SW2", "SW3", "SW4", "SW5", "SW6", "", ""}},
      {&TDriverStatus::inputs, {"IN1", "IN2", "IN3", "IN4", "", "", "", ""}},
      {&TDriverStatus::outputs, {"", "", "", "OUT1", "OUT2", "", "", ""}},
  }};
  for (const Field& field : fields) {
    for (unsigned bit = 0; bit < 8; ++bit) {
      TDriverStatus status;
      status.*field.member = static_cast<std::uint8_t>(1U << bit);
      const PanelContent panel = StatusPanelContent(status, TDriverLimits{}, ".");
      for (const BoxContent& box : panel.boxes) {
        const bool on = field.boxOfBit[bit] == box.name;
        EXPECT_EQ(box.look,
                  on ? (OnOffLook{"ON", clIndicatorOn}) : (OnOffLook{"OFF", clIndicatorOff}))
            << box.name << " with bit " << bit << " alone set";
      }
    }
  }
}

TEST(StatusPanelTest, AllBitsSetTurnEveryBoxOn) {
  const TDriverStatus status{.inputs = 0xFF, .outputs = 0xFF, .switches = 0xFF};
  const PanelContent panel = StatusPanelContent(status, TDriverLimits{}, ".");
  for (const BoxContent& box : panel.boxes)
    EXPECT_EQ(box.look, (OnOffLook{"ON", clIndicatorOn})) << box.name;
}

TEST(StatusPanelTest, DriverStateCaptionAndColour) {
  const std::array<std::optional<DriverStateLook>, 8> expected = {{
      DriverStateLook{"Idle", clBlack},
      DriverStateLook{"Run", clGreen},
      DriverStateLook{"Error: ", clRed},
      DriverStateLook{"Stop on limit ", clBlue},
  }};
  for (unsigned code : {0U, 1U, 2U, 3U, 4U, 7U, 255U}) {
    TDriverStatus status;
    status.driverState = static_cast<std::uint8_t>(code);
    const PanelContent panel = StatusPanelContent(status, TDriverLimits{}, ".");
    // Unknown states leave the label as it is.
    EXPECT_EQ(panel.driverState, code < 4 ? expected[code] : std::nullopt) << "state " << code;
  }
  EXPECT_EQ(clGreen, (Rgb{0, 128, 0}));
  EXPECT_EQ(clRed, (Rgb{255, 0, 0}));
  EXPECT_EQ(clBlue, (Rgb{0, 0, 255}));
}

TEST(StatusPanelTest, DriverErrorCaption) {
  const std::array<std::string_view, 6> expected = {
      " ", "Short circuit", "Over temperature", "Under voltage", "Over voltage", "Internal error"};
  for (unsigned code : {0U, 1U, 2U, 3U, 4U, 5U, 6U, 9U, 255U}) {
    TDriverStatus status;
    status.errorCode = static_cast<std::uint8_t>(code);
    const PanelContent panel = StatusPanelContent(status, TDriverLimits{}, ".");
    // Unknown errors leave the label as it is.
    if (code < expected.size())
      EXPECT_EQ(panel.driverError, expected[code]) << "error " << code;
    else
      EXPECT_EQ(panel.driverError, std::nullopt) << "error " << code;
  }
}

struct WorkModeCase {
  std::uint8_t switches;
  std::string text;
};

class WorkModeTest : public ::testing::TestWithParam<WorkModeCase> {};

// Potentiometer 50.0 %, analog input 2.5 V, current limit 1.50 A: each quoted caption is distinct.
TEST_P(WorkModeTest, QuotesTheCaptionsJustComputed) {
  const WorkModeCase& c = GetParam();
  const TDriverStatus status{
      .switches = c.switches, .potentiometer = 1650, .analogInput = 2500, .currentLimit = 1500};
  const PanelContent panel = StatusPanelContent(status, TDriverLimits{}, ".");
  EXPECT_EQ(panel.workMode, c.text) << "switches " << unsigned{c.switches};
}

const std::string kPotAndInput =
    "Speed set by potentiometer (50.0 % )   Current limit set by 0-10V input (1.50 A )";
const std::string kPotAndMax = "Speed set by potentiometer (50.0 % )   Current limit max (1.50 A )";
const std::string kInputAndMax = "Speed set by 0-5V input (2.5 V )   Current limit max (1.50 A )";

// S1 is bit 0, S2 bit 1; S3..S6 and the two unused bits change nothing.
INSTANTIATE_TEST_SUITE_P(
    EverySwitchCombination, WorkModeTest,
    ::testing::Values(WorkModeCase{0x03, kPotAndInput}, WorkModeCase{0x01, kPotAndMax},
                      WorkModeCase{0x02, kInputAndMax}, WorkModeCase{0x00, kInputAndMax},
                      WorkModeCase{0xFF, kPotAndInput}, WorkModeCase{0xFD, kPotAndMax},
                      WorkModeCase{0xFE, kInputAndMax}, WorkModeCase{0xFC, kInputAndMax}));

TEST(StatusPanelTest, NumbersUseTheGivenSeparator) {
  const TDriverStatus status{.switches = 0x03,
                             .potentiometer = 1650,
                             .analogInput = 2500,
                             .temperature = 1234,
                             .currentAct = -5,
                             .currentLimit = 1234567,
                             .supplyVoltage = 24123,
                             .pwmAct = -300};
  const TDriverLimits limits{.pwmMax = 1000};
  const PanelContent panel = StatusPanelContent(status, limits, ",");
  EXPECT_EQ(panel.values[kPowerSupplyRow].caption, "24 V ");
  EXPECT_EQ(panel.values[kTemperatureRow].caption, "1234 C");
  EXPECT_EQ(panel.values[kPotentiometerRow].caption, "50,0 % ");
  EXPECT_EQ(panel.values[kAnalogInputRow].caption, "2,5 V ");
  EXPECT_EQ(panel.values[kCurrentLimitRow].caption, "1,23E03 A ");
  EXPECT_EQ(panel.values[kCurrentActRow].caption, "-0,01 A ");
  EXPECT_EQ(panel.values[kPwmActRow].caption, "-30 %");
  EXPECT_EQ(panel.workMode,
            "Speed set by potentiometer (50,0 % )   Current limit set by 0-10V input (1,23E03 A )");
}

}  // namespace
}  // namespace vmd
