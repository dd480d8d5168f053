#pragma once
// The two small rules behind the panel's ON/OFF boxes and bars, free of widgets.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/colours.h"

namespace vmd {

// What an ON/OFF box shows: its text, assigned first, then its background colour.
struct OnOffLook {
  std::string text;
  Rgb background;
  friend bool operator==(const OnOffLook&, const OnOffLook&) = default;
};

// The look ShowOnOff(box, onText, bit, offText) gives a box: onText on clIndicatorOn when `bit`
// is set, offText on clIndicatorOff otherwise.
OnOffLook OnOffLookOf(std::string_view onText, bool bit, std::string_view offText);

// Bar position of `value` against `fullScale`, in -100..100: the quotient x 100 is formed in
// double, rounded to the nearest float (so that 29 / 100 gives exactly 29), clamped and truncated
// toward zero. 0 when `fullScale` is not greater than 0 (NaN included) or `value` is NaN.
std::int32_t PercentOf(float value, float fullScale);

// |value|, saturated at INT32_MAX for INT32_MIN, whose magnitude an int32 cannot hold.
std::int32_t AbsoluteValue(std::int32_t value);

}  // namespace vmd
