#include "common/eight_bit_text.h"

#include <gtest/gtest.h>

namespace vmd {
namespace {

TEST(EightBitFromUtf16, ConvertsToTheLocalEncoding) {
  EXPECT_EQ(EightBitFromUtf16(u"VMD220"), "VMD220");
  EXPECT_EQ(EightBitFromUtf16(u""), "");
  EXPECT_EQ(EightBitFromUtf16(u"Gr\u00fc\u00dfe \u20ac"),
            "Gr\xc3\xbc\xc3\x9f"
            "e \xe2\x82\xac");
  EXPECT_EQ(EightBitFromUtf16(u"\U0001F600"), "\xf0\x9f\x98\x80");
}

TEST(EightBitFromUtf16, ReplacesUnpairedSurrogates) {
  const char16_t lone_high[] = {u'A', 0xD800, u'B', 0};
  const char16_t lone_low[] = {0xDC00, u'C', 0};
  const char16_t trailing_high[] = {u'D', 0xDBFF, 0};
  EXPECT_EQ(EightBitFromUtf16(lone_high), "A?B");
  EXPECT_EQ(EightBitFromUtf16(lone_low), "?C");
  EXPECT_EQ(EightBitFromUtf16(trailing_high), "D?");
}

TEST(DecimalSeparatorFromSetting, TakesASingleCharacterOnly) {
  EXPECT_EQ(DecimalSeparatorFromSetting(u","), ",");
  EXPECT_EQ(DecimalSeparatorFromSetting(u"."), ".");
  EXPECT_EQ(DecimalSeparatorFromSetting(u"\u066b"), "\xd9\xab");  // Arabic decimal separator
  EXPECT_EQ(DecimalSeparatorFromSetting(u""), ".");
  EXPECT_EQ(DecimalSeparatorFromSetting(u",,"), ".");
  EXPECT_EQ(DecimalSeparatorFromSetting(u"\U0001D7CE"),
            "\xf0\x9d\x9f\x8e");  // one character, two units
}

}  // namespace
}  // namespace vmd
