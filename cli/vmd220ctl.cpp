#include "cli/vmd220ctl.h"

#include <QDeadlineTimer>

#include <cstdio>
#include <exception>

#include "cli/driver_link.h"
#include "cli/exit_codes.h"
#include "cli/hex_input.h"
#include "cli/options.h"
#include "cli/report_output.h"
#include "cli/text_escape.h"

#ifndef VMD_PROJECT_VERSION
#error "VMD_PROJECT_VERSION must be defined by the build"
#endif

namespace vmd::cli {
namespace {

int Fail(std::ostream& err, const Failure& failure) {
  err << "vmd220ctl: " << failure.message << '\n';
  return failure.exitCode;
}

// Output that could not be written (a closed pipe, a full disk) ends the command.
int CheckOutput(std::ostream& out, std::ostream& err) {
  if (out) return kExitOk;
  return Fail(err, {kExitIo, "cannot write the output"});
}

int List(const Options& options, DriverLink& link, std::ostream& out, std::ostream& err) {
  const std::vector<DeviceListing> devices = link.Listing();
  if (options.format == Format::Text) {
    out << ListingTable(devices);
  } else {
    RecordWriter writer(out, options.format);
    for (const DeviceListing& device : devices) writer.Write(ListingRecord(device));
  }
  out.flush();
  return CheckOutput(out, err);
}

int Info(const Options& options, DriverLink& link, std::ostream& out, std::ostream& err) {
  auto reply = link.RequestInfo(options.timeoutMs);
  if (const auto* failure = std::get_if<Failure>(&reply)) return Fail(err, *failure);
  const auto& info = std::get<InfoReply>(reply);
  RecordWriter(out, options.format).Write(InfoRecord(info.info, info.limits, link.Path()));
  return CheckOutput(out, err);
}

int Status(const Options& options, DriverLink& link, std::ostream& out, std::ostream& err) {
  // Like the monitor: the info reply first, for the full scales of the bars.
  auto info = link.RequestInfo(options.timeoutMs);
  if (const auto* failure = std::get_if<Failure>(&info)) return Fail(err, *failure);
  auto status = link.RequestStatus(options.timeoutMs);
  if (const auto* failure = std::get_if<Failure>(&status)) return Fail(err, *failure);
  StatusRecords records;
  RecordWriter(out, options.format)
      .Write(records.Record(std::get<TDriverStatus>(status), std::get<InfoReply>(info).limits,
                            std::nullopt));
  return CheckOutput(out, err);
}

int Watch(const Options& options, const Environment& env, DriverLink& link, std::ostream& out,
          std::ostream& err) {
  const auto stopped = [&] { return env.interrupted && env.interrupted(); };
  auto info = link.RequestInfo(options.timeoutMs);
  if (const auto* failure = std::get_if<Failure>(&info)) {
    return stopped() ? kExitOk : Fail(err, *failure);
  }
  const TDriverLimits limits = std::get<InfoReply>(info).limits;
  StatusRecords records;
  RecordWriter writer(out, options.format);
  QDeadlineTimer next(0);
  for (std::int64_t n = 0; !options.count || n < *options.count; ++n) {
    if (n > 0) {
      if (const auto failure = link.Pause(next)) {
        return stopped() ? kExitOk : Fail(err, *failure);
      }
    }
    next = QDeadlineTimer(options.intervalMs);
    auto status = link.RequestStatus(options.timeoutMs);
    if (const auto* failure = std::get_if<Failure>(&status)) {
      return stopped() ? kExitOk : Fail(err, *failure);
    }
    writer.Write(records.Record(std::get<TDriverStatus>(status), limits,
                                env.clock ? env.clock() : std::string()));
    if (const int code = CheckOutput(out, err); code != kExitOk) return code;
  }
  return kExitOk;
}

// The reports as replies: an info reply gives the full scales for the status replies after it.
int Decode(const Options& options, const Environment& env, std::ostream& out, std::ostream& err) {
  std::vector<HexSource> sources;
  int argument = 0;
  for (const std::string& arg : options.hex) {
    ++argument;
    if (arg != "-") {
      sources.push_back({arg, "argument " + std::to_string(argument), false});
      continue;
    }
    if (env.in == nullptr) return Fail(err, {kExitUsage, "no standard input to read"});
    std::string line;
    int lineNumber = 0;
    while (std::getline(*env.in, line)) {
      sources.push_back({line, "line " + std::to_string(++lineNumber), true});
    }
    if (env.in->bad()) return Fail(err, {kExitIo, "cannot read the standard input"});
  }
  const HexReports parsed = ParseHexReports(sources);
  if (!parsed.error.empty()) return Fail(err, {kExitBadInput, parsed.error});

  std::vector<std::variant<InfoReply, TDriverStatus>> replies;
  for (std::size_t i = 0; i < parsed.reports.size(); ++i) {
    const Report& report = parsed.reports[i];
    const std::string name = "report " + std::to_string(i + 1);
    if (report.size() < 2) {
      return Fail(err, {kExitBadInput, name + " has no data byte after the report ID"});
    }
    const std::span<const std::uint8_t> data = std::span(report).subspan(1);
    const std::string size = std::to_string(report.size());
    if (data[0] == CMD_GET_INFO) {
      const auto reply = DecodeInfoReply(data);
      if (!reply) {
        return Fail(err, {kExitBadInput, name + ": an info reply has at least " +
                                             std::to_string(kInfoReplyDataBytes + 1) +
                                             " bytes with the report ID, this one " + size});
      }
      replies.emplace_back(*reply);
    } else if (data[0] == CMD_GET_STATUS) {
      const auto status = DecodeStatusReply(data);
      if (!status) {
        return Fail(err, {kExitBadInput, name + ": a status reply has at least " +
                                             std::to_string(kStatusReplyDataBytes + 1) +
                                             " bytes with the report ID, this one " + size});
      }
      replies.emplace_back(*status);
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", unsigned{data[0]});
      return Fail(err, {kExitBadInput, name + ": its first data byte " + code +
                                           " is neither an info reply (0x0A) nor a status "
                                           "reply (0x0B)"});
    }
  }

  RecordWriter writer(out, options.format);
  StatusRecords records;
  TDriverLimits limits;
  for (const auto& reply : replies) {
    if (const auto* info = std::get_if<InfoReply>(&reply)) {
      writer.Write(InfoRecord(info->info, info->limits, std::nullopt));
      limits = info->limits;
    } else {
      writer.Write(records.Record(std::get<TDriverStatus>(reply), limits, std::nullopt));
    }
  }
  return CheckOutput(out, err);
}

int RunDeviceCommand(const Options& options, const Environment& env, std::ostream& out,
                     std::ostream& err) {
  if (!env.openHid) return Fail(err, {kExitInternal, "no HID component"});
  HidAccess hid = env.openHid();
  if (!hid.controller) return Fail(err, {kExitInternal, "the HID component cannot be made"});
  DriverLink link(*hid.controller, hid.pathOf, env.interrupted);
  if (const auto failure = link.WaitForDevices(env.listingTimeoutMs)) return Fail(err, *failure);
  if (options.command == Command::List) return List(options, link, out, err);
  if (const auto failure = link.Attach(options.path, options.index, err)) {
    return Fail(err, *failure);
  }
  switch (options.command) {
    case Command::Info:
      return Info(options, link, out, err);
    case Command::Status:
      return Status(options, link, out, err);
    default:
      return Watch(options, env, link, out, err);
  }
}

}  // namespace

std::string VersionText() { return std::string("vmd220ctl ") + VMD_PROJECT_VERSION; }

int Run(std::span<const std::string> args, const Environment& env, std::ostream& out,
        std::ostream& err) {
  try {
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.options) {
      err << "vmd220ctl: " << EscapeControls(parsed.error) << "\nTry 'vmd220ctl --help'.\n";
      return kExitUsage;
    }
    const Options& options = *parsed.options;
    switch (options.command) {
      case Command::Help:
        out << UsageText();
        out.flush();
        return CheckOutput(out, err);
      case Command::Version:
        out << VersionText() << '\n';
        out.flush();
        return CheckOutput(out, err);
      case Command::Decode:
        return Decode(options, env, out, err);
      default:
        return RunDeviceCommand(options, env, out, err);
    }
  } catch (const std::exception& e) {
    return Fail(err, {kExitInternal, std::string("internal error: ") + e.what()});
  } catch (...) {
    return Fail(err, {kExitInternal, "internal error"});
  }
}

}  // namespace vmd::cli
