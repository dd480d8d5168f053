#include "common/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace vmd {
namespace {

struct DoubleCase {
  double value;
  int decimals;
  const char* text;
};

TEST(FixedPointText, FollowsEveryRoundingAndNotationRule) {
  const DoubleCase cases[] = {
      // Halves round away from zero, decided on the decimal the value stands for.
      {2.5, 0, "3"},
      {-2.5, 0, "-3"},
      {1.005, 2, "1.01"},
      {-12.6, 0, "-13"},
      {2.4999, 0, "2"},
      // Zero and values that round to zero carry no sign.
      {0.0, 0, "0"},
      {0.0, 2, "0.00"},
      {-0.0, 1, "0.0"},
      {-0.004, 2, "0.00"},
      {-0.005, 2, "-0.01"},
      {0.04, 1, "0.0"},
      {0.05, 1, "0.1"},
      {1e-300, 2, "0.00"},
      // Three significant digits; places beyond the rounding written as 0.
      {12.345, 2, "12.30"},
      {123.456, 1, "123.0"},
      {99.96, 2, "100.00"},
      {0.0123, 2, "0.01"},
      {24.123, 0, "24"},
      {1.01, 2, "1.01"},
      {0.5, 0, "1"},
      {0.49, 0, "0"},
      {-0.5, 0, "-1"},
      {999.4, 0, "999"},
      {-45.678, 1, "-45.7"},
      // Exponent notation from a rounded magnitude of 1000 on; exponent padded to n digits.
      {1234.5, 2, "1.23E03"},
      {1234.5, 1, "1.23E3"},
      {1234.5, 0, "1.23E3"},
      {1000.0, 2, "1E03"},
      {999.96, 1, "1E3"},
      {999.5, 0, "1E3"},
      {-1234.5, 2, "-1.23E03"},
      {1200.0, 2, "1.2E03"},
      {9995.0, 0, "1E4"},
      {1e20, 2, "1E20"},
      {1e100, 0, "1E100"},
      {1.5e-7, 2, "0.00"},
      {std::numeric_limits<double>::max(), 2, "1.8E308"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FixedPointText(c.value, c.decimals, "."), c.text)
        << c.value << " with " << c.decimals << " decimals";
  }
}

struct RatioCase {
  std::int64_t numerator;
  std::uint32_t denominator;
  int decimals;
  const char* text;
};

TEST(FixedPointText, RoundsScaledQuantitiesAsTheirExactValues) {
  const RatioCase cases[] = {
      // Millivolts and milliamperes / 1000.
      {24123, 1000, 0, "24"},
      {24500, 1000, 0, "25"},
      {500, 1000, 0, "1"},
      {499, 1000, 0, "0"},
      {2500, 1000, 1, "2.5"},
      {2549, 1000, 1, "2.5"},
      {2550, 1000, 1, "2.6"},
      {12345, 1000, 2, "12.30"},
      {1005, 1000, 2, "1.01"},  // 1.005 as a double lies below the half
      {1234567, 1000, 2, "1.23E03"},
      {-1500, 1000, 2, "-1.50"},
      {-4, 1000, 2, "0.00"},
      {-5, 1000, 2, "-0.01"},
      {0, 1000, 2, "0.00"},
      {4294967295, 1000, 0, "4.29E6"},
      {-2147483648, 1000, 2, "-2.15E06"},
      {std::numeric_limits<std::int64_t>::min(), 1, 0, "-9.22E18"},
      // Potentiometer reading / 33 (percent of 3300).
      {1650, 33, 1, "50.0"},
      {3300, 33, 1, "100.0"},
      {1234, 33, 1, "37.4"},
      {32983, 33, 1, "999.0"},
      {32984, 33, 1, "1E3"},
      {65535, 33, 1, "1.99E3"},
      {0, 33, 1, "0.0"},
      // Version bytes / 100.
      {101, 100, 2, "1.01"},
      {100, 100, 2, "1.00"},
      {5, 100, 2, "0.05"},
      {-127, 100, 2, "-1.27"},
      {-106, 100, 2, "-1.06"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FixedPointTextOfRatio(c.numerator, c.denominator, c.decimals, "."), c.text)
        << c.numerator << " / " << c.denominator << " with " << c.decimals << " decimals";
  }
}

TEST(FixedPointText, VersionStoredAsFloatGivesTheTextOfItsByte) {
  // Versions are kept as 32-bit floats of byte x 0.01; their texts must be those of byte / 100.
  for (int byte = -128; byte <= 127; ++byte) {
    const auto version = static_cast<float>(byte * 0.01);
    EXPECT_EQ(FixedPointText(version, 2, "."), FixedPointTextOfRatio(byte, 100, 2, "."))
        << "byte " << byte;
  }
}

TEST(FixedPointText, UsesTheGivenSeparatorInBothNotations) {
  EXPECT_EQ(FixedPointText(12.345, 2, ","), "12,30");
  EXPECT_EQ(FixedPointText(1234.5, 2, ","), "1,23E03");
  EXPECT_EQ(FixedPointText(0.0, 2, ","), "0,00");
  EXPECT_EQ(FixedPointText(24.0, 0, ","), "24");
}

TEST(FixedPointText, DefaultSeparatorIsTheCurrentSetting) {
  EXPECT_EQ(FixedPointText(1.5, 1), "1.5");
  SetDecimalSeparator(",");
  EXPECT_EQ(FixedPointText(1.5, 1), "1,5");
  EXPECT_EQ(FixedPointTextOfRatio(1500, 1000, 2), "1,50");
  SetDecimalSeparator(".");
  EXPECT_EQ(DecimalSeparator(), ".");
}

TEST(FixedPointText, NonFiniteValuesHaveTexts) {
  EXPECT_EQ(FixedPointText(std::numeric_limits<double>::quiet_NaN(), 2, "."), "NAN");
  EXPECT_EQ(FixedPointText(std::numeric_limits<double>::infinity(), 2, "."), "INF");
  EXPECT_EQ(FixedPointText(-std::numeric_limits<double>::infinity(), 2, "."), "-INF");
}

TEST(IntegerText, WritesPlainDecimalDigits) {
  EXPECT_EQ(IntegerText(-30), "-30");
  EXPECT_EQ(IntegerText(0), "0");
  EXPECT_EQ(IntegerText(70), "70");
  EXPECT_EQ(IntegerText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(IntegerText(1234567), "1234567");
}

}  // namespace
}  // namespace vmd
