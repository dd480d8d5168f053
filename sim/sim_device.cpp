#include "sim/sim_device.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <utility>

namespace vmd::sim {
namespace {

constexpr std::size_t kMaxReportSize = 1024;  // data bytes; uhid carries up to 4096 with the ID

template <typename T>
bool ParseInteger(std::string_view text, T& out, int base = 10) {
  if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) text.remove_prefix(2);
  if (text.empty()) return false;
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc{} || end != text.data() + text.size()) return false;
  if (!std::in_range<T>(value)) return false;
  out = static_cast<T>(value);
  return true;
}

// A version x 100 as a signed byte: -128...127, or its raw byte 0...255.
bool ParseVersionByte(std::string_view text, std::uint8_t& out) {
  int value = 0;
  if (!ParseInteger(text, value) || value < -128 || value > 255) return false;
  out = static_cast<std::uint8_t>(value & 0xFF);
  return true;
}

bool ParseReplyKind(std::string_view text, ReplyKind& out) {
  if (text == "normal")
    out = ReplyKind::Normal;
  else if (text == "none")
    out = ReplyKind::None;
  else if (text == "short")
    out = ReplyKind::Short;
  else if (text == "malformed")
    out = ReplyKind::Malformed;
  else
    return false;
  return true;
}

bool ParseLimits(std::string_view text, TDriverLimits& out) {
  std::vector<std::string_view> parts;
  while (true) {
    const auto comma = text.find(',');
    parts.push_back(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (parts.size() != 4) return false;
  // Parsed into aligned locals: the packed record's fields cannot be bound to references.
  std::uint32_t supplyMax = 0;
  std::uint16_t temperatureMax = 0, pwmMax = 0, currentMax = 0;
  if (!ParseInteger(parts[0], supplyMax) || !ParseInteger(parts[1], temperatureMax) ||
      !ParseInteger(parts[2], pwmMax) || !ParseInteger(parts[3], currentMax))
    return false;
  out = {supplyMax, temperatureMax, pwmMax, currentMax};
  return true;
}

// One status field given as NAME=VALUE.
bool SetStatusField(std::string_view assignment, TDriverStatus& status,
                    std::vector<std::string>& pinned) {
  const auto eq = assignment.find('=');
  if (eq == std::string_view::npos) return false;
  const std::string_view name = assignment.substr(0, eq);
  const std::string_view value = assignment.substr(eq + 1);
  bool ok = false;
  if (name == "inputs")
    ok = ParseInteger(value, status.inputs);
  else if (name == "outputs")
    ok = ParseInteger(value, status.outputs);
  else if (name == "switches")
    ok = ParseInteger(value, status.switches);
  else if (name == "reserved")
    ok = ParseInteger(value, status.reserved);
  else if (name == "potentiometer")
    ok = ParseInteger(value, status.potentiometer);
  else if (name == "analogInput")
    ok = ParseInteger(value, status.analogInput);
  else if (name == "errorCode")
    ok = ParseInteger(value, status.errorCode);
  else if (name == "driverState")
    ok = ParseInteger(value, status.driverState);
  else if (name == "temperature")
    ok = ParseInteger(value, status.temperature);
  else if (name == "currentAct")
    ok = ParseInteger(value, status.currentAct);
  else if (name == "currentLimit")
    ok = ParseInteger(value, status.currentLimit);
  else if (name == "supplyVoltage")
    ok = ParseInteger(value, status.supplyVoltage);
  else if (name == "pwmAct")
    ok = ParseInteger(value, status.pwmAct);
  else if (name == "pwmLimit")
    ok = ParseInteger(value, status.pwmLimit);
  if (ok) pinned.emplace_back(name);
  return ok;
}

bool IsPinned(const SimOptions& options, std::string_view field) {
  return std::find(options.pinned.begin(), options.pinned.end(), field) != options.pinned.end();
}

// A triangle wave from `low` up to `high` and back down within `periodMs`.
std::int64_t Triangle(std::int64_t t, std::int64_t periodMs, std::int64_t low, std::int64_t high) {
  const std::int64_t half = periodMs / 2;
  std::int64_t phase = t % periodMs;
  if (phase < 0) phase += periodMs;
  const std::int64_t rise = phase < half ? phase : periodMs - phase;
  return low + (high - low) * rise / half;
}

std::vector<std::uint8_t> InfoData(const SimOptions& options) {
  std::vector<std::uint8_t> data(kInfoReplyDataBytes, 0);
  data[0] = CMD_GET_INFO;
  data[1] = options.deviceVersion;
  std::copy_n(options.infoText.begin(), std::min<std::size_t>(options.infoText.size(), 9),
              data.begin() + 2);
  data[11] = options.hardwareVersion;
  const auto limits = EncodeLimits(options.limits);
  std::copy(limits.begin(), limits.end(), data.begin() + 12);
  return data;
}

std::vector<std::uint8_t> StatusData(const TDriverStatus& status) {
  std::vector<std::uint8_t> data{CMD_GET_STATUS};
  const auto bytes = EncodeStatus(status);
  data.insert(data.end(), bytes.begin(), bytes.end());
  return data;
}

}  // namespace

std::string UsageText() {
  return "usage: vmd220-sim [options]\n"
         "A virtual VMD220 motor driver made through /dev/uhid. It answers the info and status\n"
         "requests and logs every output report it receives, in hex, one per line.\n"
         "  --name TEXT            product name (default VMD220)\n"
         "  --vid HEX, --pid HEX   vendor and product ID (default 1209:0220)\n"
         "  --uniq TEXT            serial number string (default vmd220-sim-PID)\n"
         "  --input-size N         data bytes of the input report after the ID (default 64)\n"
         "  --output-size N        data bytes of the output report after the ID (default 64)\n"
         "  --delay MS             wait MS milliseconds before each reply\n"
         "  --no-reply             answer nothing\n"
         "  --info-reply KIND      normal, none, short or malformed (default normal)\n"
         "  --status-reply KIND    normal, none, short or malformed (default normal)\n"
         "  --scenario NAME        sweep (a moving status, default) or fixed\n"
         "  --version N            device version x 100, -128...127 (default 101)\n"
         "  --hw-version N         hardware version x 100, -128...127 (default 100)\n"
         "  --info TEXT            info text, at most 9 characters (default SIM)\n"
         "  --limits S,T,P,C       supplyMax mV, temperatureMax C, pwmMax, currentMax mA\n"
         "                         (default 48000,100,1000,5000)\n"
         "  --set FIELD=VALUE      a status field held fixed, e.g. potentiometer=1650;\n"
         "                         fields: inputs outputs switches reserved potentiometer\n"
         "                         analogInput errorCode driverState temperature currentAct\n"
         "                         currentLimit supplyVoltage pwmAct pwmLimit\n"
         "  --log PATH             log output reports to PATH instead of standard output\n"
         "  --help                 this text\n";
}

std::optional<SimOptions> ParseOptions(std::span<const std::string_view> args, std::string& error) {
  SimOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view option = args[i];
    const auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    const auto fail = [&](std::string_view what) {
      error = std::string(what) + " (" + std::string(option) + ")";
      return std::nullopt;
    };
    if (option == "--no-reply") {
      options.infoReply = options.statusReply = ReplyKind::None;
      continue;
    }
    if (option == "--help") return fail("help asked for");
    const auto v = value();
    if (!v) return fail("missing value");
    bool ok = true;
    if (option == "--name") {
      ok = !v->empty() && v->size() < 128;
      options.name = *v;
    } else if (option == "--vid")
      ok = ParseInteger(*v, options.vendorId, 16);
    else if (option == "--pid")
      ok = ParseInteger(*v, options.productId, 16);
    else if (option == "--uniq") {
      ok = v->size() < 64;
      options.uniq = *v;
    } else if (option == "--input-size") {
      ok = ParseInteger(*v, options.inputSize) && options.inputSize >= 1 &&
           options.inputSize <= kMaxReportSize;
    } else if (option == "--output-size") {
      ok = ParseInteger(*v, options.outputSize) && options.outputSize >= 1 &&
           options.outputSize <= kMaxReportSize;
    } else if (option == "--delay") {
      ok = ParseInteger(*v, options.replyDelayMs) && options.replyDelayMs >= 0;
    } else if (option == "--info-reply")
      ok = ParseReplyKind(*v, options.infoReply);
    else if (option == "--status-reply")
      ok = ParseReplyKind(*v, options.statusReply);
    else if (option == "--scenario") {
      if (*v == "fixed")
        options.scenario = Scenario::Fixed;
      else if (*v == "sweep")
        options.scenario = Scenario::Sweep;
      else
        ok = false;
    } else if (option == "--version")
      ok = ParseVersionByte(*v, options.deviceVersion);
    else if (option == "--hw-version")
      ok = ParseVersionByte(*v, options.hardwareVersion);
    else if (option == "--info") {
      ok = v->size() <= 9 && v->find('\0') == std::string_view::npos;
      options.infoText = *v;
    } else if (option == "--limits")
      ok = ParseLimits(*v, options.limits);
    else if (option == "--set")
      ok = SetStatusField(*v, options.status, options.pinned);
    else if (option == "--log") {
      ok = !v->empty();
      options.logPath = *v;
    } else
      return fail("unknown option");
    if (!ok) return fail("bad value '" + std::string(*v) + "'");
  }
  return options;
}

std::vector<std::uint8_t> ReportDescriptor(std::size_t inputSize, std::size_t outputSize) {
  const auto count = [](std::size_t n) {
    return std::vector<std::uint8_t>{0x96, static_cast<std::uint8_t>(n & 0xFF),
                                     static_cast<std::uint8_t>((n >> 8) & 0xFF)};
  };
  std::vector<std::uint8_t> d = {
      0x06, 0x00, 0xFF,  // Usage Page (Vendor Defined 0xFF00)
      0x09, 0x01,        // Usage (1)
      0xA1, 0x01,        // Collection (Application)
      0x85, 0x01,        //   Report ID (1)
      0x15, 0x00,        //   Logical Minimum (0)
      0x26, 0xFF, 0x00,  //   Logical Maximum (255)
      0x75, 0x08,        //   Report Size (8)
  };
  const auto in = count(inputSize);
  d.insert(d.end(), in.begin(), in.end());      //   Report Count (inputSize)
  d.insert(d.end(), {0x09, 0x01, 0x81, 0x02});  //   Usage (1), Input (Data, Var, Abs)
  const auto out = count(outputSize);
  d.insert(d.end(), out.begin(), out.end());          //   Report Count (outputSize)
  d.insert(d.end(), {0x09, 0x01, 0x91, 0x02, 0xC0});  //   Usage (1), Output (Data, Var, Abs)
  return d;                                           // End Collection
}

TDriverStatus StatusAt(const SimOptions& options, std::int64_t elapsedMs) {
  TDriverStatus s = options.status;
  if (options.scenario == Scenario::Fixed) return s;
  const std::int64_t t = std::max<std::int64_t>(elapsedMs, 0);
  const auto set = [&](std::string_view field, auto& member, std::int64_t value) {
    using Member = std::remove_reference_t<decltype(member)>;
    if (!IsPinned(options, field)) member = static_cast<Member>(value);
  };
  // A ten-second cycle: idle, run, error, stopped on a limit; each error phase a new error.
  const std::int64_t cycle = t / 10000;
  const std::int64_t state = (t % 10000) / 2500;
  set("driverState", s.driverState, state);
  set("errorCode", s.errorCode, state == 2 ? cycle % 5 + 1 : 0);
  set("potentiometer", s.potentiometer, Triangle(t, 4000, 0, 3300));
  set("analogInput", s.analogInput, Triangle(t + 700, 3000, 0, 5000));
  set("temperature", s.temperature, 25 + Triangle(t, 20000, 0, 45));
  set("supplyVoltage", s.supplyVoltage, 24000 + Triangle(t, 1000, 0, 400));
  set("currentLimit", s.currentLimit, 3000);
  set("currentAct", s.currentAct, Triangle(t, 2600, -1500, 3500));
  set("pwmLimit", s.pwmLimit, 800);
  set("pwmAct", s.pwmAct, Triangle(t, 3600, -1000, 1000));
  set("switches", s.switches, (t / 2000) % 64);
  set("inputs", s.inputs, (t / 500) % 16);
  const bool limiting = s.currentAct >= s.currentLimit * 9 / 10;
  set("outputs", s.outputs, (s.driverState == 2 ? 0x08 : 0) | (limiting ? 0x10 : 0));
  return s;
}

std::vector<std::uint8_t> ReplyTo(const SimOptions& options, std::span<const std::uint8_t> report,
                                  std::int64_t elapsedMs) {
  if (report.size() < 2 || report[0] != HID_OUTPUT_REPORT_ID) return {};
  const std::uint8_t command = report[1];
  ReplyKind kind;
  std::vector<std::uint8_t> data;
  if (command == CMD_GET_INFO) {
    kind = options.infoReply;
    data = InfoData(options);
  } else if (command == CMD_GET_STATUS) {
    kind = options.statusReply;
    data = StatusData(StatusAt(options, elapsedMs));
  } else {
    return {};
  }
  const std::size_t length = 1 + options.inputSize;
  std::vector<std::uint8_t> reply(length, 0);
  reply[0] = HID_OUTPUT_REPORT_ID;
  switch (kind) {
    case ReplyKind::None:
      return {};
    case ReplyKind::Malformed:
      reply[1] = 0xEE;
      std::fill(reply.begin() + std::min<std::ptrdiff_t>(2, static_cast<std::ptrdiff_t>(length)),
                reply.end(), std::uint8_t{0xFF});
      return reply;
    case ReplyKind::Normal:
    case ReplyKind::Short:
      break;
  }
  std::copy_n(data.begin(), std::min(data.size(), length - 1), reply.begin() + 1);
  if (kind == ReplyKind::Short) reply.resize(std::max<std::size_t>(1, length / 2));
  return reply;
}

std::string HexText(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t b : bytes) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  return text;
}

}  // namespace vmd::sim
