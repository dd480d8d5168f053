#pragma once
// The command line of vmd220ctl: vmd220ctl [OPTIONS] COMMAND [ARGS], options before or after the
// command, "--name value" or "--name=value", "--" ending the options.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vmd::cli {

enum class Command { Help, Version, List, Info, Status, Watch, Decode };
enum class Format { Text, Json, Csv };

inline constexpr int kDefaultTimeoutMs = 1000;
inline constexpr int kDefaultIntervalMs = 1000;

struct Options {
  Command command = Command::Help;
  std::optional<std::string> path;  // --path: the driver at this HID path
  std::optional<int> index;         // --index: the n-th driver in list order, from 0
  int timeoutMs = kDefaultTimeoutMs;
  int intervalMs = kDefaultIntervalMs;
  std::optional<std::int64_t> count;  // watch: reports to print; none for "until interrupted"
  Format format = Format::Text;
  std::vector<std::string> hex;  // decode: the arguments, "-" for standard input
};

struct ParsedCommandLine {
  std::optional<Options> options;  // empty on a usage error
  std::string error;               // the usage error, one line
};

// `args` without the program name.
ParsedCommandLine ParseCommandLine(std::span<const std::string> args);

// The text of --help.
std::string UsageText();

}  // namespace vmd::cli
