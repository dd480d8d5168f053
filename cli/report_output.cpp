#include "cli/report_output.h"

#include <array>
#include <cstdio>
#include <sstream>

#include "cli/text_escape.h"
#include "common/number_text.h"
#include "display/status_panel.h"
#include "link/report_exchange.h"

namespace vmd::cli {
namespace {

constexpr std::string_view kSeparator = ".";

std::string Hex4(std::uint16_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", unsigned{value});
  return buffer;
}

// "name" padded to `width` columns.
std::string Padded(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

// Names of the value rows in the text output, top to bottom as the window shows them.
constexpr std::array<std::string_view, kValueRowCount> kValueRowTitles{
    "Power supply",  "Temperature", "Potentiometer", "Analog input",
    "Current limit", "Current act", "PWM limit",     "PWM act"};

std::string JsonValue(const FieldValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return "null"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(const std::string& s) const { return JsonString(s); }
  };
  return std::visit(Visitor{}, value);
}

std::string CsvValue(const FieldValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return ""; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(const std::string& s) const { return CsvString(s); }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace

OutputRecord ListingRecord(const DeviceListing& device) {
  OutputRecord record;
  record.fields = {
      {"name", device.name},
      {"vid", Hex4(device.vendorId)},
      {"pid", Hex4(device.productId)},
      {"path", device.path},
      {"driver", device.driver},
      {"driverIndex",
       device.driverIndex ? FieldValue{std::int64_t{*device.driverIndex}} : FieldValue{}},
      {"readWrite", device.readWrite},
  };
  return record;
}

std::string ListingTable(const std::vector<DeviceListing>& devices) {
  std::size_t pathWidth = 4;
  for (const DeviceListing& device : devices) {
    pathWidth = std::max(pathWidth, EscapeControls(device.path).size());
  }
  std::ostringstream out;
  out << "INDEX  DRIVER  RW   VID   PID   " << Padded("PATH", pathWidth) << "  NAME\n";
  for (const DeviceListing& device : devices) {
    out << Padded(device.driverIndex ? std::to_string(*device.driverIndex) : "-", 7)
        << Padded(device.driver ? "yes" : "no", 8) << Padded(device.readWrite ? "yes" : "no", 5)
        << Hex4(device.vendorId) << "  " << Hex4(device.productId) << "  "
        << Padded(EscapeControls(device.path), pathWidth) << "  " << EscapeControls(device.name)
        << '\n';
  }
  if (devices.empty()) out << "(no HID device present)\n";
  return out.str();
}

OutputRecord InfoRecord(const TDriverInfo& info, const TDriverLimits& limits,
                        const std::optional<std::string>& path) {
  OutputRecord record;
  if (path) record.fields.push_back({"path", *path});
  const std::string connection = ConnectionText(info);
  const std::string device = FixedPointText(info.deviceVersion, 2, kSeparator);
  const std::string hardware = FixedPointText(info.hardwareVersion, 2, kSeparator);
  record.fields.insert(record.fields.end(),
                       {
                           {"connection", connection},
                           {"deviceVersion", device},
                           {"hardwareVersion", hardware},
                           {"infoText", info.infoText},
                           {"supplyMax", std::int64_t{limits.supplyMax}},
                           {"temperatureMax", std::int64_t{limits.temperatureMax}},
                           {"pwmMax", std::int64_t{limits.pwmMax}},
                           {"currentMax", std::int64_t{limits.currentMax}},
                       });
  std::ostringstream text;
  if (path) text << "Path              " << EscapeControls(*path) << '\n';
  text << "Connection        " << EscapeControls(connection) << '\n'
       << "Device version    " << device << '\n'
       << "Hardware version  " << hardware << '\n'
       << "Info text         " << EscapeControls(info.infoText) << '\n'
       << "Supply max        " << limits.supplyMax << " mV\n"
       << "Temperature max   " << limits.temperatureMax << " C\n"
       << "PWM max           " << limits.pwmMax << '\n'
       << "Current max       " << limits.currentMax << " mA\n";
  record.text = text.str();
  return record;
}

OutputRecord StatusRecords::Record(const TDriverStatus& status, const TDriverLimits& limits,
                                   const std::optional<std::string>& time) {
  const PanelContent panel = StatusPanelContent(status, limits, kSeparator);
  if (panel.driverState) stateCaption_ = panel.driverState->caption;
  if (panel.driverError) errorCaption_ = *panel.driverError;

  OutputRecord record;
  auto& f = record.fields;
  if (time) f.push_back({"time", *time});
  const auto raw = [&f](const char* key, std::int64_t value) { f.push_back({key, value}); };
  raw("inputs", status.inputs);
  raw("outputs", status.outputs);
  raw("switches", status.switches);
  raw("reserved", status.reserved);
  raw("potentiometer", status.potentiometer);
  raw("analogInput", status.analogInput);
  raw("errorCode", status.errorCode);
  raw("driverState", status.driverState);
  raw("temperature", status.temperature);
  raw("currentAct", status.currentAct);
  raw("currentLimit", status.currentLimit);
  raw("supplyVoltage", status.supplyVoltage);
  raw("pwmAct", status.pwmAct);
  raw("pwmLimit", status.pwmLimit);
  raw("supplyMax", limits.supplyMax);
  raw("temperatureMax", limits.temperatureMax);
  raw("pwmMax", limits.pwmMax);
  raw("currentMax", limits.currentMax);
  for (const BoxContent& box : panel.boxes) f.push_back({std::string(box.name), box.look.text});
  for (const ValueRow& row : panel.values) {
    f.push_back({std::string(row.labelName), row.caption});
    f.push_back({std::string(row.barName), std::int64_t{row.barPosition}});
  }
  f.push_back({std::string(kDriverStateLabel), stateCaption_});
  f.push_back({std::string(kDriverErrorLabel), errorCaption_});
  f.push_back({std::string(kWorkModeLabel), panel.workMode});

  std::ostringstream text;
  if (time) text << "Time           " << *time << '\n';
  const auto boxes = [&](const char* title, std::size_t first, std::size_t count) {
    text << Padded(title, 15);
    for (std::size_t i = first; i < first + count; ++i) {
      text << (i == first ? "" : "  ") << panel.boxes[i].name << ' ' << panel.boxes[i].look.text;
    }
    text << '\n';
  };
  boxes("Switches", 0, 6);
  boxes("Inputs", 6, 4);
  boxes("Outputs", 10, 2);
  for (std::size_t i = 0; i < kValueRowCount; ++i) {
    const ValueRow& row = panel.values[i];
    text << Padded(kValueRowTitles[i], 15) << Padded(row.caption, 12) << "bar " << row.barPosition
         << '\n';
  }
  text << "Driver status  " << stateCaption_;
  if (!panel.driverState) {
    text << "  (state code " << unsigned{status.driverState} << " unknown: caption unchanged)";
  }
  text << "\nDriver error   " << errorCaption_;
  if (!panel.driverError) {
    text << "  (error code " << unsigned{status.errorCode} << " unknown: caption unchanged)";
  }
  text << "\nWork mode      " << panel.workMode << '\n';
  record.text = text.str();
  return record;
}

void RecordWriter::Write(const OutputRecord& record) {
  switch (format_) {
    case Format::Text:
      if (!first_) out_ << '\n';
      out_ << record.text;
      break;
    case Format::Json: {
      out_ << '{';
      bool firstField = true;
      for (const Field& field : record.fields) {
        out_ << (firstField ? "" : ",") << JsonString(field.key) << ':' << JsonValue(field.value);
        firstField = false;
      }
      out_ << "}\n";
      break;
    }
    case Format::Csv: {
      std::vector<std::string> columns;
      for (const Field& field : record.fields) columns.push_back(field.key);
      if (first_ || columns != columns_) {
        for (std::size_t i = 0; i < columns.size(); ++i) out_ << (i ? "," : "") << columns[i];
        out_ << '\n';
        columns_ = std::move(columns);
      }
      for (std::size_t i = 0; i < record.fields.size(); ++i) {
        out_ << (i ? "," : "") << CsvValue(record.fields[i].value);
      }
      out_ << '\n';
      break;
    }
  }
  out_.flush();
  first_ = false;
}

}  // namespace vmd::cli
