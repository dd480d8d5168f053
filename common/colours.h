#pragma once
// Colours the program uses, as plain RGB values so that logic without widgets can name them.

#include <cstdint>

namespace vmd {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

// Background of the connection indicator and of the ON/OFF boxes.
inline constexpr Rgb clIndicatorOn{175, 216, 135};   // light green
inline constexpr Rgb clIndicatorOff{253, 124, 102};  // salmon red

}  // namespace vmd
