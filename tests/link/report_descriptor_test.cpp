#include "link/hid/report_descriptor.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vmd {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Boot keyboard (HID 1.11 appendix B.1): 8-byte input report, 1-byte LED output report, no IDs.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// Boot mouse (appendix B.2): 3 buttons, 5 bits padding, X and Y.
const Bytes kBootMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
                          0x05, 0x09, 0x19, 0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01,
                          0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05,
                          0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81,
                          0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

// Vendor-defined 64-byte reports in and out under report ID 1, as generic HID gadgets use.
const Bytes kVendorWithId = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01,
                             0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40,
                             0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};

// The same without a report ID; a 2-byte count (0x96) of 64 for the output.
const Bytes kVendorNoId = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26,
                           0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x02,
                           0x96, 0x40, 0x00, 0x09, 0x01, 0x91, 0x02, 0xC0};

// Keyboard with report ID 1 (8-byte input, 1-byte output) and a consumer control with report
// ID 2 (2-byte input), plus a 32-byte feature report with ID 3.
const Bytes kKeyboardAndConsumer = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08,
    0x81, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x19, 0x00, 0x29, 0x65,
    0x81, 0x00, 0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85,
    0x02, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95,
    0x01, 0x81, 0x00, 0x85, 0x03, 0x09, 0x01, 0x75, 0x08, 0x95, 0x20, 0xB1, 0x02, 0xC0};

struct DescriptorCase {
  const char* name;
  Bytes descriptor;
  std::size_t input;
  std::size_t output;
  std::size_t feature;
  bool usesReportIds;
};

class WellFormedDescriptor : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(WellFormedDescriptor, GivesTheLongestReportOfEachKindPlusTheIdByte) {
  const DescriptorCase& c = GetParam();
  const auto summary = ParseReportDescriptor(c.descriptor);
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->inputReportByteLength, c.input);
  EXPECT_EQ(summary->outputReportByteLength, c.output);
  EXPECT_EQ(summary->featureReportByteLength, c.feature);
  EXPECT_EQ(summary->usesReportIds, c.usesReportIds);
}

INSTANTIATE_TEST_SUITE_P(
    RealWorld, WellFormedDescriptor,
    ::testing::Values(
        DescriptorCase{"BootKeyboard", kBootKeyboard, 9, 2, 0, false},
        DescriptorCase{"BootMouse", kBootMouse, 4, 0, 0, false},
        DescriptorCase{"VendorWithReportId", kVendorWithId, 65, 65, 0, true},
        DescriptorCase{"VendorWithoutReportId", kVendorNoId, 65, 65, 0, false},
        DescriptorCase{"SeveralReports", kKeyboardAndConsumer, 9, 2, 33, true},
        // Long items (one with data, one empty) carry nothing that sizes reports.
        DescriptorCase{"LongItems",
                       Join({{0xFE, 0x02, 0x10, 0xAA, 0xBB}, kVendorWithId, {0xFE, 0x00, 0x20}}),
                       65, 65, 0, true},
        // Pop restores size 8 and count 4 after a 2 x 16-bit field: 32 + 32 bits.
        DescriptorCase{
            "PushPopRestoresSizeAndCount",
            {0x75, 0x08, 0x95, 0x04, 0xA4, 0x75, 0x10, 0x95, 0x02, 0x81, 0x02, 0xB4, 0x81, 0x02},
            9,
            0,
            0,
            false},
        // Pop restores the report ID too: report 2 has 16 bytes, report 1 three.
        DescriptorCase{"PushPopRestoresReportId",
                       {0x85, 0x01, 0xA4, 0x85, 0x02, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0xB4,
                        0x75, 0x08, 0x95, 0x03, 0x81, 0x02},
                       17,
                       0,
                       0,
                       true},
        // 4-byte item data, and bits that do not fill the last byte.
        DescriptorCase{"FourByteDataAndOddBits",
                       {0x77, 0x03, 0x00, 0x00, 0x00, 0x97, 0x03, 0x00, 0x00, 0x00, 0x81, 0x02},
                       3,
                       0,
                       0,
                       false},
        // Local items, reserved tags and an unknown main item change nothing.
        DescriptorCase{"IgnoredItems",
                       {0x75, 0x08, 0x95, 0x02, 0x0C, 0x09, 0x05, 0xF0, 0x91, 0x02},
                       0,
                       3,
                       0,
                       false},
        DescriptorCase{"Empty", {}, 0, 0, 0, false},
        // The longest report the capabilities can state: 65534 bytes + ID byte.
        DescriptorCase{
            "LongestStatable", {0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02}, 65535, 0, 0, false}),
    [](const auto& param) { return std::string(param.param.name); });

struct MalformedCase {
  const char* name;
  Bytes descriptor;
};

class MalformedDescriptor : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDescriptor, IsRejected) {
  EXPECT_FALSE(ParseReportDescriptor(GetParam().descriptor).has_value());
}

Bytes Pushes(std::size_t count) { return Bytes(count, 0xA4); }

INSTANTIATE_TEST_SUITE_P(
    Hostile, MalformedDescriptor,
    ::testing::Values(
        MalformedCase{"ShortItemCutOff", {0x75}},
        MalformedCase{"FourByteItemCutOff", {0x77, 0x08, 0x00}},
        MalformedCase{"TruncatedAfterValidItems", Join({kVendorWithId, {0x96, 0x40}})},
        MalformedCase{"LongItemHeaderCutOff", {0xFE, 0x05}},
        MalformedCase{"LongItemDataPastEnd", {0xFE, 0x05, 0x10, 0x01, 0x02}},
        MalformedCase{"PopWithoutPush", {0xB4}}, MalformedCase{"PushTooDeep", Pushes(33)},
        MalformedCase{"ReportIdZero", {0x85, 0x00}},
        MalformedCase{"ReportIdAbove255", {0x86, 0x00, 0x01}},
        MalformedCase{"ReportTooLongToState", {0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02}},
        MalformedCase{"HugeSizeTimesCount",
                      {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02}},
        MalformedCase{"ManyFieldsAddingUp",
                      Join({{0x75, 0x08, 0x96, 0x00, 0x80}, Bytes{0x81, 0x02, 0x81, 0x02}})}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ReportDescriptor, PushDepthUpToTheLimitIsAccepted) {
  Bytes descriptor = Pushes(32);
  descriptor.insert(descriptor.end(), 32, 0xB4);
  EXPECT_TRUE(ParseReportDescriptor(descriptor).has_value());
}

TEST(ReportDescriptor, SurvivesRandomAndMutatedInput) {
  // Every prefix of a real descriptor and random byte soup must parse or be rejected, never
  // read out of bounds (checked under the address sanitizer).
  for (std::size_t n = 0; n <= kKeyboardAndConsumer.size(); ++n) {
    const Bytes prefix(kKeyboardAndConsumer.begin(),
                       kKeyboardAndConsumer.begin() + static_cast<std::ptrdiff_t>(n));
    const auto summary = ParseReportDescriptor(prefix);
    if (summary) {
      EXPECT_LE(summary->inputReportByteLength, 9u);
    }
  }
  std::mt19937 random(220);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 2000; ++round) {
    Bytes soup(static_cast<std::size_t>(round % 97));
    for (auto& b : soup) b = static_cast<std::uint8_t>(byte(random));
    const auto summary = ParseReportDescriptor(soup);
    if (summary) {
      EXPECT_LE(summary->inputReportByteLength, 65535u);
    }
  }
}

}  // namespace
}  // namespace vmd
