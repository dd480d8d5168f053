#include "display/status_panel.h"

#include "common/number_text.h"

namespace vmd {
namespace {

bool Bit(std::uint8_t bits, unsigned index) {
  return ((static_cast<unsigned>(bits) >> index) & 1U) != 0;
}

BoxContent Box(std::string_view name, std::uint8_t bits, unsigned index) {
  return {name, OnOffLookOf("ON", Bit(bits, index), "OFF")};
}

// Bar percentages take 32-bit floats: the raw integers become the nearest float first.
float AsFloat(std::int64_t raw) { return static_cast<float>(raw); }

std::optional<DriverStateLook> DriverStateLookOf(std::uint8_t driverState) {
  switch (driverState) {
    case 0:
      return DriverStateLook{"Idle", clBlack};
    case 1:
      return DriverStateLook{"Run", clGreen};
    case 2:
      return DriverStateLook{"Error: ", clRed};
    case 3:
      return DriverStateLook{"Stop on limit ", clBlue};
    default:
      return std::nullopt;
  }
}

std::optional<std::string> DriverErrorText(std::uint8_t errorCode) {
  switch (errorCode) {
    case 0:
      return " ";
    case 1:
      return "Short circuit";
    case 2:
      return "Over temperature";
    case 3:
      return "Under voltage";
    case 4:
      return "Over voltage";
    case 5:
      return "Internal error";
    default:
      return std::nullopt;
  }
}

// Quotes the captions of the potentiometer, analog-input and current-limit labels.
std::string WorkModeText(std::uint8_t switches,
                         const std::array<ValueRow, kValueRowCount>& values) {
  const std::string& potentiometer = values[kPotentiometerRow].caption;
  const std::string& analogInput = values[kAnalogInputRow].caption;
  const std::string& currentLimit = values[kCurrentLimitRow].caption;
  const bool internalPotentiometer = Bit(switches, 0);
  const bool potentiometerCurrentLimit = Bit(switches, 1);

  std::string text = internalPotentiometer ? "Speed set by potentiometer (" + potentiometer + ")"
                                           : "Speed set by 0-5V input (" + analogInput + ")";
  // The current limit follows the 0-10 V input only when the speed comes from the potentiometer.
  if (internalPotentiometer && potentiometerCurrentLimit)
    text += "   Current limit set by 0-10V input (" + currentLimit + ")";
  else
    text += "   Current limit max (" + currentLimit + ")";
  return text;
}

}  // namespace

PanelContent StatusPanelContent(const TDriverStatus& status, const TDriverLimits& limits,
                                std::string_view separator) {
  const TDriverStatus& s = status;
  const TDriverLimits& m = limits;
  PanelContent panel{
      .boxes = {Box("SW1", s.switches, 0), Box("SW2", s.switches, 1), Box("SW3", s.switches, 2),
                Box("SW4", s.switches, 3), Box("SW5", s.switches, 4), Box("SW6", s.switches, 5),
                Box("IN1", s.inputs, 0), Box("IN2", s.inputs, 1), Box("IN3", s.inputs, 2),
                Box("IN4", s.inputs, 3), Box("OUT1", s.outputs, 3), Box("OUT2", s.outputs, 4)},
      .values = {},
      .driverState = DriverStateLookOf(s.driverState),
      .driverError = DriverErrorText(s.errorCode),
      .workMode = {},
  };

  const std::int32_t pwmLimit = PercentOf(AsFloat(s.pwmLimit), AsFloat(m.pwmMax));
  const std::int32_t pwmAct = PercentOf(AsFloat(s.pwmAct), AsFloat(m.pwmMax));
  // Texts of scaled values see the exact quotients: millivolts / 1000, milliamperes / 1000, and
  // the potentiometer reading / 3300 x 100 = reading / 33.
  panel.values = {{
      {"LabVal_PowerSupply", FixedPointTextOfRatio(s.supplyVoltage, 1000, 0, separator) + " V ",
       "Pb_PowerSupply", PercentOf(AsFloat(s.supplyVoltage), AsFloat(m.supplyMax))},
      {"LabVal_Temperature", IntegerText(s.temperature) + " C", "Pb_Temperature",
       PercentOf(AsFloat(s.temperature), AsFloat(m.temperatureMax))},
      {"LabVal_Potentiometer", FixedPointTextOfRatio(s.potentiometer, 33, 1, separator) + " % ",
       "Pb_Potentiometer", PercentOf(AsFloat(s.potentiometer), 3300.0f)},
      {"LabVal_Ain", FixedPointTextOfRatio(s.analogInput, 1000, 1, separator) + " V ",
       "Pb_AnalogInput", PercentOf(AsFloat(s.analogInput), 5000.0f)},
      {"LabVal_CurLim", FixedPointTextOfRatio(s.currentLimit, 1000, 2, separator) + " A ",
       "Pb_CurrentLimit", PercentOf(AsFloat(s.currentLimit), AsFloat(m.currentMax))},
      {"LabVal_CurAct", FixedPointTextOfRatio(s.currentAct, 1000, 2, separator) + " A ",
       "Pb_CurrentAct", PercentOf(AsFloat(s.currentAct), AsFloat(m.currentMax))},
      {"LabVal_PwmLim", IntegerText(pwmLimit) + " %", "Pb_PwmLimit", pwmLimit},
      {"LabVal_PwmAct", IntegerText(pwmAct) + " %", "Pb_PwmAct", AbsoluteValue(pwmAct)},
  }};
  panel.workMode = WorkModeText(s.switches, panel.values);
  return panel;
}

}  // namespace vmd
