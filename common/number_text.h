#pragma once
// The number texts the window shows: fixed-point text with three significant digits, and integer
// text.
//
// Fixed-point text of a value with n decimals (n = 0, 1 or 2):
// - the value is rounded to three significant digits, or to n decimals where that is coarser;
//   halves round away from zero, decided on the value's decimal expansion to 18 significant digits;
// - a value that is zero or rounds to zero is "0" (plus the separator and n zeros), never signed;
// - a rounded magnitude below 1000 is written in fixed-point notation with exactly n decimals,
//   places beyond the rounding written as 0 ("12.30");
// - from 1000 on it is written in exponent notation: "1.23E03" (2 decimals), "1E3" (0 or 1).

#include <cstdint>
#include <string>
#include <string_view>

namespace vmd {

// The decimal separator the number texts use; "." until the application reads the user's locale.
const std::string& DecimalSeparator();
void SetDecimalSeparator(std::string separator);

// Fixed-point text of a double. The double stands for the shortest decimal that reads back as it,
// so that 1.005 rounds to "1.01" as the decimal 1.005 does.
std::string FixedPointText(double value, int decimals, std::string_view separator);
std::string FixedPointText(double value, int decimals);

// Fixed-point text of the exact quotient numerator / denominator (denominator > 0), for the
// program's scaled quantities: millivolts / 1000, the potentiometer reading / 33, a version
// byte / 100. Rounding sees the exact value, whatever a double would make of it.
std::string FixedPointTextOfRatio(std::int64_t numerator, std::uint32_t denominator, int decimals,
                                  std::string_view separator);
std::string FixedPointTextOfRatio(std::int64_t numerator, std::uint32_t denominator, int decimals);

// Decimal digits of `value` with a leading "-" when negative: "-30", "0", "70".
std::string IntegerText(std::int32_t value);

}  // namespace vmd
