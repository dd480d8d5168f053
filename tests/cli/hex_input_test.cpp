// Hex input of `decode`: the forms of bytes and the report boundaries.
#include "cli/hex_input.h"

#include <gtest/gtest.h>

namespace vmd::cli {
namespace {

struct HexCase {
  const char* name;
  std::vector<HexSource> sources;
  std::vector<Report> reports;
  std::string error;
};

class HexInputTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexInputTest, Parses) {
  const HexReports parsed = ParseHexReports(GetParam().sources, 8);
  EXPECT_EQ(parsed.reports, GetParam().reports);
  EXPECT_EQ(parsed.error, GetParam().error);
}

HexSource Arg(std::string text, int n = 1) {
  return {std::move(text), "argument " + std::to_string(n), false};
}
HexSource Line(std::string text, int n = 1) {
  return {std::move(text), "line " + std::to_string(n), true};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HexInputTest,
    ::testing::Values(
        HexCase{"Pairs", {Arg("02 0b ff")}, {{0x02, 0x0B, 0xFF}}, ""},
        HexCase{"Run", {Arg("020BfF")}, {{0x02, 0x0B, 0xFF}}, ""},
        HexCase{"Prefixed", {Arg("0x02:0X0b\t0xa0b1")}, {{0x02, 0x0B, 0xA0, 0xB1}}, ""},
        HexCase{"ArgumentsJoin", {Arg("02", 1), Arg("0b", 2)}, {{0x02, 0x0B}}, ""},
        HexCase{"CommaAndSemicolonSeparate",
                {Arg("02 0b,02"), Arg(","), Arg("0a;;0c")},
                {{0x02, 0x0B}, {0x02}, {0x0A}, {0x0C}},
                ""},
        HexCase{"LinesSeparate",
                {Line("02 0b", 1), Line("", 2), Line("0a", 3)},
                {{0x02, 0x0B}, {0x0A}},
                ""},
        HexCase{"Nothing", {Arg(" , "), Line("")}, {}, "no bytes to decode"},
        HexCase{"OddDigits",
                {Arg("02"), Arg("b", 2)},
                {},
                "bad hex input in argument 2: \"b\" is not bytes as pairs of hex digits"},
        HexCase{"NotHex",
                {Line("02 x1", 4)},
                {},
                "bad hex input in line 4: \"x1\" is not bytes as pairs of hex digits"},
        HexCase{"BarePrefix",
                {Arg("0x")},
                {},
                "bad hex input in argument 1: \"0x\" is not bytes as pairs of hex digits"},
        HexCase{"SignedNumber",
                {Arg("-02")},
                {},
                "bad hex input in argument 1: \"-02\" is not bytes as pairs of hex digits"},
        HexCase{"LongTokenIsShortenedInTheMessage",
                {Arg("0123456789abcdef0123456789abcdefz")},
                {},
                "bad hex input in argument 1: \"0123456789abcdef01234567...\" is not bytes as "
                "pairs of hex digits"},
        HexCase{"AtTheLimit", {Arg("0102030405060708")}, {{1, 2, 3, 4, 5, 6, 7, 8}}, ""},
        HexCase{"OverTheLimit",
                {Arg("01020304"), Arg("0506070809", 2)},
                {},
                "bad hex input: more than 8 bytes"}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vmd::cli
