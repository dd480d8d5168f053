#include "cli/options.h"

#include <charconv>
#include <map>
#include <set>
#include <string_view>

namespace vmd::cli {
namespace {

struct OptionRule {
  bool takesValue = false;
  std::set<Command> commands;  // the commands the option applies to
};

const std::set<Command> kDeviceCommands{Command::Info, Command::Status, Command::Watch};
const std::set<Command> kDataCommands{Command::List, Command::Info, Command::Status, Command::Watch,
                                      Command::Decode};

const std::map<std::string_view, OptionRule>& KnownOptions() {
  static const std::map<std::string_view, OptionRule> options{
      {"--path", {true, kDeviceCommands}},    {"--index", {true, kDeviceCommands}},
      {"--timeout", {true, kDeviceCommands}}, {"--interval", {true, {Command::Watch}}},
      {"--count", {true, {Command::Watch}}},  {"--format", {true, kDataCommands}},
  };
  return options;
}

const std::map<std::string_view, Command>& CommandNames() {
  static const std::map<std::string_view, Command> names{
      {"list", Command::List},   {"info", Command::Info},     {"status", Command::Status},
      {"watch", Command::Watch}, {"decode", Command::Decode}, {"help", Command::Help},
  };
  return names;
}

// A whole decimal number in [min, max], digits only.
std::optional<std::int64_t> NumberIn(std::string_view text, std::int64_t min, std::int64_t max) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

ParsedCommandLine Error(std::string message) { return {std::nullopt, std::move(message)}; }

}  // namespace

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  std::optional<Command> command;
  std::vector<std::string> positional;
  std::map<std::string_view, std::string> given;  // option name -> value
  bool help = false;
  bool version = false;
  bool optionsEnded = false;

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      if (!command) {
        const auto found = CommandNames().find(arg);
        if (found == CommandNames().end()) return Error("unknown command '" + arg + "'");
        command = found->second;
      } else {
        positional.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      help = true;
      continue;
    }
    if (arg == "-V" || arg == "--version") {
      version = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const auto rule = KnownOptions().find(name);
    if (rule == KnownOptions().end()) return Error("unknown option '" + name + "'");
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else {
      if (i + 1 >= args.size()) return Error("option " + name + " needs a value");
      value = args[++i];
    }
    if (!given.emplace(rule->first, value).second) return Error("option " + name + " given twice");
  }

  Options options;
  if (help || command == Command::Help) {
    options.command = Command::Help;
    return {options, {}};
  }
  if (version) {
    options.command = Command::Version;
    return {options, {}};
  }
  if (!command) return Error("no command given");
  options.command = *command;

  for (const auto& [name, value] : given) {
    const OptionRule& rule = KnownOptions().at(name);
    if (!rule.commands.contains(options.command)) {
      return Error("option " + std::string(name) + " does not apply to this command");
    }
    if (name == "--path") {
      if (value.empty()) return Error("--path needs a device path");
      options.path = value;
    } else if (name == "--index") {
      const auto number = NumberIn(value, 0, 9999);
      if (!number) return Error("--index takes a number from 0 to 9999, not '" + value + "'");
      options.index = static_cast<int>(*number);
    } else if (name == "--timeout") {
      const auto number = NumberIn(value, 1, 600000);
      if (!number)
        return Error("--timeout takes milliseconds from 1 to 600000, not '" + value + "'");
      options.timeoutMs = static_cast<int>(*number);
    } else if (name == "--interval") {
      const auto number = NumberIn(value, 1, 86400000);
      if (!number) {
        return Error("--interval takes milliseconds from 1 to 86400000, not '" + value + "'");
      }
      options.intervalMs = static_cast<int>(*number);
    } else if (name == "--count") {
      const auto number = NumberIn(value, 1, 1'000'000'000'000);
      if (!number) return Error("--count takes a number from 1 to 10^12, not '" + value + "'");
      options.count = *number;
    } else if (name == "--format") {
      if (value == "text") {
        options.format = Format::Text;
      } else if (value == "json") {
        options.format = Format::Json;
      } else if (value == "csv") {
        options.format = Format::Csv;
      } else {
        return Error("--format takes text, json or csv, not '" + value + "'");
      }
    }
  }
  if (options.path && options.index) return Error("--path and --index exclude each other");

  if (options.command == Command::Decode) {
    if (positional.empty()) return Error("decode needs hex bytes, or - for standard input");
    options.hex = std::move(positional);
  } else if (!positional.empty()) {
    return Error("unexpected argument '" + positional.front() + "'");
  }
  return {options, {}};
}

std::string UsageText() {
  return R"(Usage: vmd220ctl [OPTIONS] COMMAND [ARGS]
Watches a VMD220 motor driver over USB HID. It sends the driver nothing but the
requests for its identification and its status.

Commands:
  list             every HID device: name, VID, PID, path, driver or not, read-write access
  info             the driver's versions, info text and full-scale limits
  status           one status report, with the monitor's panel texts and bar positions
  watch            status reports one after another, for logging
  decode HEX...    decode reply bytes (report ID first) without a device; "," separates
                   reports, "-" reads them from standard input, one report a line
  help             this text

Options:
  --path PATH      use the driver at this HID device path (see list)
  --index N        use the N-th driver in list order, from 0 (see list)
  --timeout MS     wait at most MS milliseconds for each reply (default 1000)
  --interval MS    watch: milliseconds from one status request to the next (default 1000)
  --count N        watch: stop after N reports (default: until interrupted)
  --format FORMAT  text, json (one object a line) or csv (header row first); default text
  -h, --help       show this text
  -V, --version    show the version

Exit codes:
  0 success, 1 internal error, 2 usage error, 3 no driver found, 4 no permission to open
  the driver, 5 the driver vanished, 6 no reply within the time-out, 7 bad decode input,
  8 a request or the output could not be written, 130 interrupted.
)";
}

}  // namespace vmd::cli
