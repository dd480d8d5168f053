#include "display/value_presentation.h"

#include <cmath>
#include <limits>

namespace vmd {

OnOffLook OnOffLookOf(std::string_view onText, bool bit, std::string_view offText) {
  if (bit) return {std::string(onText), clIndicatorOn};
  return {std::string(offText), clIndicatorOff};
}

std::int32_t PercentOf(float value, float fullScale) {
  if (!(fullScale > 0.0f)) return 0;
  const double percent = static_cast<double>(value) / static_cast<double>(fullScale) * 100.0;
  if (std::isnan(percent)) return 0;
  // Clamping before the float rounding gives the same result as after it (100 is a float) and
  // keeps a quotient beyond the float range away from the conversion.
  if (percent > 100.0) return 100;
  if (percent < -100.0) return -100;
  return static_cast<std::int32_t>(static_cast<float>(percent));
}

std::int32_t AbsoluteValue(std::int32_t value) {
  if (value == std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::max();
  return value < 0 ? -value : value;
}

}  // namespace vmd
