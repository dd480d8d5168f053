#include "display/value_presentation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "common/colours.h"

namespace vmd {
namespace {

struct PercentCase {
  float value;
  float fullScale;
  std::int32_t expected;
};

class PercentOfTest : public ::testing::TestWithParam<PercentCase> {};

TEST_P(PercentOfTest, GivesTheBarPosition) {
  const PercentCase& c = GetParam();
  EXPECT_EQ(PercentOf(c.value, c.fullScale), c.expected)
      << "PercentOf(" << c.value << ", " << c.fullScale << ")";
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kSmallest = std::numeric_limits<float>::denorm_min();
constexpr float kLargest = std::numeric_limits<float>::max();

INSTANTIATE_TEST_SUITE_P(Plain, PercentOfTest,
                         ::testing::Values(PercentCase{1650, 3300, 50}, PercentCase{3299, 3300, 99},
                                           PercentCase{3300, 3300, 100}, PercentCase{0, 3300, 0},
                                           PercentCase{-5, 100, -5},
                                           PercentCase{-1500, 3000, -50}));

// The quotient x 100 lies just below the whole percentage in double; the float rounding makes it
// whole before the truncation.
INSTANTIATE_TEST_SUITE_P(FloatRoundingBeforeTruncation, PercentOfTest,
                         ::testing::Values(PercentCase{29, 100, 29}, PercentCase{58, 100, 58},
                                           PercentCase{957, 3300, 29}, PercentCase{290, 1000, 29},
                                           PercentCase{-580, 1000, -58}));

INSTANTIATE_TEST_SUITE_P(TruncatedTowardZero, PercentOfTest,
                         ::testing::Values(PercentCase{9997, 10000, 99},
                                           PercentCase{-126, 1000, -12}, PercentCase{-9, 1000, 0},
                                           PercentCase{1234, 3300, 37}));

INSTANTIATE_TEST_SUITE_P(
    Clamped, PercentOfTest,
    ::testing::Values(PercentCase{7000, 5000, 100}, PercentCase{-60000, 5000, -100},
                      PercentCase{65535, 3300, 100}, PercentCase{kLargest, kSmallest, 100},
                      PercentCase{-kLargest, kSmallest, -100}, PercentCase{kInfinity, 1, 100},
                      PercentCase{-kInfinity, 1, -100}));

// No usable full scale, or no value: an empty bar, never undefined behaviour.
INSTANTIATE_TEST_SUITE_P(NoPosition, PercentOfTest,
                         ::testing::Values(PercentCase{12, 0, 0}, PercentCase{12, -0.0f, 0},
                                           PercentCase{12, -5, 0}, PercentCase{-12, -5, 0},
                                           PercentCase{12, kNaN, 0}, PercentCase{12, -kInfinity, 0},
                                           PercentCase{kNaN, 100, 0},
                                           PercentCase{kInfinity, kInfinity, 0},
                                           PercentCase{12, kInfinity, 0}));

TEST(AbsoluteValueTest, IsTheMagnitudeSaturatedAtTheInt32Range) {
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(AbsoluteValue(0), 0);
  EXPECT_EQ(AbsoluteValue(30), 30);
  EXPECT_EQ(AbsoluteValue(-30), 30);
  EXPECT_EQ(AbsoluteValue(-100), 100);
  EXPECT_EQ(AbsoluteValue(kMax), kMax);
  EXPECT_EQ(AbsoluteValue(kMin + 1), kMax);
  EXPECT_EQ(AbsoluteValue(kMin), kMax);
}

TEST(OnOffLookTest, SetBitShowsTheOnTextOnTheOnColour) {
  EXPECT_EQ(OnOffLookOf("ON", true, "OFF"), (OnOffLook{"ON", clIndicatorOn}));
  EXPECT_EQ(OnOffLookOf("ON", false, "OFF"), (OnOffLook{"OFF", clIndicatorOff}));
  // The texts are the caller's, whichever they are.
  EXPECT_EQ(OnOffLookOf("yes", true, "no"), (OnOffLook{"yes", clIndicatorOn}));
  EXPECT_EQ(OnOffLookOf("yes", false, "no"), (OnOffLook{"no", clIndicatorOff}));
}

}  // namespace
}  // namespace vmd
