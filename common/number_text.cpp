#include "common/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace vmd {
namespace {

constexpr int kSignificantDigits = 3;
constexpr int kExpansionDigits = 18;

// A decimal number as sign, digits and the power of ten of its first digit:
// value = d[0].d[1]d[2]... x 10^exponent, d[0] != 0 unless the value is zero.
struct DecimalExpansion {
  bool negative = false;
  bool zero = true;
  std::array<std::uint8_t, kExpansionDigits> digits{};
  int exponent = 0;
};

DecimalExpansion ExpansionOfDouble(double value) {
  DecimalExpansion expansion;
  if (value == 0.0) return expansion;
  // Shortest round-trip form, e.g. "-1.005e+00": at most 17 significant digits.
  std::array<char, 64> text{};
  const auto result =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::scientific);
  const char* p = text.data();
  if (*p == '-') {
    expansion.negative = true;
    ++p;
  }
  std::size_t count = 0;
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9' && count < expansion.digits.size())
      expansion.digits[count++] = static_cast<std::uint8_t>(*p - '0');
  }
  int exponent = 0;
  if (p < result.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent);
  expansion.exponent = exponent;
  expansion.zero = false;
  return expansion;
}

// Rounds a digit sequence of kExpansionDigits + 1 digits to kExpansionDigits, halves up.
void RoundLastDigitAway(std::vector<std::uint8_t>& digits, int& exponent) {
  const bool up = digits.back() >= 5;
  digits.pop_back();
  if (!up) return;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (++*it < 10) return;
    *it = 0;
  }
  digits.insert(digits.begin(), 1);
  digits.pop_back();
  ++exponent;
}

DecimalExpansion ExpansionOfRatio(std::int64_t numerator, std::uint32_t denominator) {
  if (denominator == 0)
    throw std::invalid_argument("fixed-point text of a ratio with denominator 0");
  DecimalExpansion expansion;
  if (numerator == 0) return expansion;
  expansion.negative = numerator < 0;
  const std::uint64_t magnitude = expansion.negative ? 0 - static_cast<std::uint64_t>(numerator)
                                                     : static_cast<std::uint64_t>(numerator);
  std::uint64_t quotient = magnitude / denominator;
  std::uint64_t remainder = magnitude % denominator;

  std::vector<std::uint8_t> digits;
  int exponent = -1;
  if (quotient != 0) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, quotient).ptr;
    for (const char* p = buffer; p < end; ++p)
      digits.push_back(static_cast<std::uint8_t>(*p - '0'));
    exponent = static_cast<int>(digits.size()) - 1;
  }
  // Fractional digits by long division, leading zeros skipped, one digit beyond the expansion.
  while (digits.size() < kExpansionDigits + 1) {
    remainder *= 10;
    const auto digit = static_cast<std::uint8_t>(remainder / denominator);
    remainder %= denominator;
    if (digits.empty() && digit == 0) {
      --exponent;
      continue;
    }
    digits.push_back(digit);
  }
  RoundLastDigitAway(digits, exponent);
  std::copy(digits.begin(), digits.end(), expansion.digits.begin());
  expansion.exponent = exponent;
  expansion.zero = false;
  return expansion;
}

// The expansion rounded for display: digits from the power `top` downwards, all further places 0.
struct RoundedValue {
  std::vector<std::uint8_t> digits;  // empty when the value rounds to zero
  int top = 0;
  int DigitAt(int power) const {
    const int index = top - power;
    return index >= 0 && index < static_cast<int>(digits.size())
               ? digits[static_cast<std::size_t>(index)]
               : 0;
  }
};

RoundedValue Round(const DecimalExpansion& expansion, int decimals) {
  RoundedValue rounded;
  if (expansion.zero) return rounded;
  const int lastKept = std::max(expansion.exponent - (kSignificantDigits - 1), -decimals);
  const int kept = expansion.exponent - lastKept + 1;  // digits kept, at most kSignificantDigits
  if (kept < 0) return rounded;
  if (kept == 0) {
    if (expansion.digits[0] >= 5) rounded = {{1}, lastKept};
    return rounded;
  }
  rounded.digits.assign(expansion.digits.begin(), expansion.digits.begin() + kept);
  rounded.top = expansion.exponent;
  if (expansion.digits[static_cast<std::size_t>(kept)] >= 5) {
    auto it = rounded.digits.rbegin();
    for (; it != rounded.digits.rend(); ++it) {
      if (++*it < 10) break;
      *it = 0;
    }
    if (it == rounded.digits.rend()) rounded = {{1}, expansion.exponent + 1};
  }
  while (!rounded.digits.empty() && rounded.digits.back() == 0) rounded.digits.pop_back();
  return rounded;
}

char DigitChar(int digit) { return static_cast<char>('0' + digit); }

std::string Format(const DecimalExpansion& expansion, int decimals, std::string_view separator) {
  decimals = std::clamp(decimals, 0, 18);
  const RoundedValue rounded = Round(expansion, decimals);
  std::string text;
  if (rounded.digits.empty()) {
    text = "0";
    if (decimals > 0) text.append(separator).append(static_cast<std::size_t>(decimals), '0');
    return text;
  }
  if (expansion.negative) text = "-";
  if (rounded.top >= 3) {
    text += DigitChar(rounded.digits[0]);
    if (rounded.digits.size() > 1) {
      text.append(separator);
      for (std::size_t i = 1; i < rounded.digits.size(); ++i) text += DigitChar(rounded.digits[i]);
    }
    std::string power = std::to_string(rounded.top);
    if (static_cast<int>(power.size()) < decimals)
      power.insert(0, static_cast<std::size_t>(decimals) - power.size(), '0');
    return text + "E" + power;
  }
  for (int power = std::max(rounded.top, 0); power >= 0; --power)
    text += DigitChar(rounded.DigitAt(power));
  if (decimals > 0) {
    text.append(separator);
    for (int power = -1; power >= -decimals; --power) text += DigitChar(rounded.DigitAt(power));
  }
  return text;
}

std::string& SeparatorSetting() {
  static std::string separator = ".";
  return separator;
}

}  // namespace

const std::string& DecimalSeparator() { return SeparatorSetting(); }
void SetDecimalSeparator(std::string separator) { SeparatorSetting() = std::move(separator); }

std::string FixedPointText(double value, int decimals, std::string_view separator) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return Format(ExpansionOfDouble(value), decimals, separator);
}

std::string FixedPointText(double value, int decimals) {
  return FixedPointText(value, decimals, DecimalSeparator());
}

std::string FixedPointTextOfRatio(std::int64_t numerator, std::uint32_t denominator, int decimals,
                                  std::string_view separator) {
  return Format(ExpansionOfRatio(numerator, denominator), decimals, separator);
}

std::string FixedPointTextOfRatio(std::int64_t numerator, std::uint32_t denominator, int decimals) {
  return FixedPointTextOfRatio(numerator, denominator, decimals, DecimalSeparator());
}

std::string IntegerText(std::int32_t value) { return std::to_string(value); }

}  // namespace vmd
