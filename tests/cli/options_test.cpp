// The command line: what each accepted form means (the refused ones are run as a user would, in
// vmd220ctl_test.cpp).
#include "cli/options.h"

#include <gtest/gtest.h>

namespace vmd::cli {
namespace {

struct ParseCase {
  std::vector<std::string> args;
  Command command;
  std::optional<std::string> path;
  std::optional<int> index;
  int timeoutMs;
  int intervalMs;
  std::optional<std::int64_t> count;
  Format format;
  std::vector<std::string> hex;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesTheOptions) {
  const ParseCase& c = GetParam();
  const ParsedCommandLine parsed = ParseCommandLine(c.args);
  ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
  const Options& o = *parsed.options;
  EXPECT_EQ(o.command, c.command);
  EXPECT_EQ(o.path, c.path);
  EXPECT_EQ(o.index, c.index);
  EXPECT_EQ(o.timeoutMs, c.timeoutMs);
  EXPECT_EQ(o.intervalMs, c.intervalMs);
  EXPECT_EQ(o.count, c.count);
  EXPECT_EQ(o.format, c.format);
  EXPECT_EQ(o.hex, c.hex);
}

constexpr int kT = kDefaultTimeoutMs;
constexpr int kI = kDefaultIntervalMs;

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTest,
    ::testing::Values(
        ParseCase{{"list"}, Command::List, {}, {}, kT, kI, {}, Format::Text, {}},
        ParseCase{{"--format", "csv", "list"}, Command::List, {}, {}, kT, kI, {}, Format::Csv, {}},
        ParseCase{{"info", "--path=/dev/hidraw3"},
                  Command::Info,
                  "/dev/hidraw3",
                  {},
                  kT,
                  kI,
                  {},
                  Format::Text,
                  {}},
        ParseCase{{"status", "--index", "0", "--timeout", "250", "--format", "json"},
                  Command::Status,
                  {},
                  0,
                  250,
                  kI,
                  {},
                  Format::Json,
                  {}},
        ParseCase{{"watch", "--interval", "40", "--count", "1000000000000"},
                  Command::Watch,
                  {},
                  {},
                  kT,
                  40,
                  1'000'000'000'000,
                  Format::Text,
                  {}},
        ParseCase{{"watch", "--interval=86400000", "--timeout=600000"},
                  Command::Watch,
                  {},
                  {},
                  600000,
                  86400000,
                  {},
                  Format::Text,
                  {}},
        ParseCase{{"decode", "02", "0b", ",", "-"},
                  Command::Decode,
                  {},
                  {},
                  kT,
                  kI,
                  {},
                  Format::Text,
                  {"02", "0b", ",", "-"}},
        ParseCase{
            {"decode", "--", "--0b"}, Command::Decode, {}, {}, kT, kI, {}, Format::Text, {"--0b"}},
        // Help wins over everything else, also over a command line that is wrong otherwise.
        ParseCase{
            {"watch", "--count", "0", "-h"}, Command::Help, {}, {}, kT, kI, {}, Format::Text, {}},
        ParseCase{{"help"}, Command::Help, {}, {}, kT, kI, {}, Format::Text, {}},
        ParseCase{{"--version", "list"}, Command::Version, {}, {}, kT, kI, {}, Format::Text, {}}));

TEST(UsageTextTest, NamesEveryCommandOptionAndExitCode) {
  const std::string text = UsageText();
  for (const char* word : {"list",
                           "info",
                           "status",
                           "watch",
                           "decode",
                           "--path",
                           "--index",
                           "--timeout",
                           "--interval",
                           "--count",
                           "--format",
                           "--help",
                           "--version",
                           "2 usage error",
                           "3 no driver",
                           "4 no permission",
                           "5 the driver vanished",
                           "6 no reply",
                           "7 bad decode input",
                           "8 a request or the output"}) {
    EXPECT_NE(text.find(word), std::string::npos) << word;
  }
}

}  // namespace
}  // namespace vmd::cli
