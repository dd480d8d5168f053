#pragma once
// What one refresh of the status panel shows, computed from the driver records as plain data; the
// window applies it control by control, in the order of the members below.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/colours.h"
#include "display/value_presentation.h"
#include "protocol/driver_protocol.h"

namespace vmd {

// Font colours of the driver-state label.
inline constexpr Rgb clBlack{0, 0, 0};
inline constexpr Rgb clGreen{0, 128, 0};
inline constexpr Rgb clRed{255, 0, 0};
inline constexpr Rgb clBlue{0, 0, 255};

// Names of the status labels the refresh writes.
inline constexpr std::string_view kDriverStateLabel = "Label_DriverStatus";
inline constexpr std::string_view kDriverErrorLabel = "Label_DriverError";
inline constexpr std::string_view kWorkModeLabel = "Lab_WorkMode";

// One ON/OFF box: SW1..SW6, IN1..IN4, OUT1, OUT2.
struct BoxContent {
  std::string_view name;
  OnOffLook look;
  friend bool operator==(const BoxContent&, const BoxContent&) = default;
};

// One row of the value table: the label's caption (number and unit), then its bar's position.
struct ValueRow {
  std::string_view labelName;
  std::string caption;
  std::string_view barName;
  std::int32_t barPosition = 0;
  friend bool operator==(const ValueRow&, const ValueRow&) = default;
};

// The driver-state label: caption, then font colour.
struct DriverStateLook {
  std::string caption;
  Rgb fontColour;
  friend bool operator==(const DriverStateLook&, const DriverStateLook&) = default;
};

// Row indices into PanelContent::values, top to bottom.
enum ValueRowIndex : std::size_t {
  kPowerSupplyRow,
  kTemperatureRow,
  kPotentiometerRow,
  kAnalogInputRow,
  kCurrentLimitRow,
  kCurrentActRow,
  kPwmLimitRow,
  kPwmActRow,
  kValueRowCount
};

inline constexpr std::size_t kBoxCount = 12;

struct PanelContent {
  std::array<BoxContent, kBoxCount> boxes;      // SW1..SW6, IN1..IN4, OUT1, OUT2
  std::array<ValueRow, kValueRowCount> values;  // top to bottom
  std::optional<DriverStateLook> driverState;   // empty: unknown state, label left as it is
  std::optional<std::string> driverError;       // empty: unknown error, label left as it is
  std::string workMode;
};

// The panel for `status` against the full scales in `limits`, numbers written with `separator`.
PanelContent StatusPanelContent(const TDriverStatus& status, const TDriverLimits& limits,
                                std::string_view separator);

}  // namespace vmd
