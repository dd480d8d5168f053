#pragma once
// What vmd220ctl prints: the records as text for people, JSON (one object a line) or CSV (a header
// row, then one row a record) for scripts. The status texts are the monitor panel's own
// (display/status_panel.h); numbers are written with "." as decimal separator.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "cli/options.h"
#include "protocol/driver_protocol.h"

namespace vmd::cli {

using FieldValue = std::variant<std::monostate, bool, std::int64_t, std::string>;

struct Field {
  std::string key;
  FieldValue value;
};

// One thing to print: its fields for JSON and CSV, and its block of text lines for people.
struct OutputRecord {
  std::vector<Field> fields;
  std::string text;
};

// One entry of `list`.
struct DeviceListing {
  std::string name;  // as the monitor lists it: product string or "Device VID=... PID=..."
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string path;
  bool driver = false;
  std::optional<int> driverIndex;  // place among the drivers, for --index
  bool readWrite = false;
};

OutputRecord ListingRecord(const DeviceListing& device);
// The text table of `list`, header included.
std::string ListingTable(const std::vector<DeviceListing>& devices);

// The info reply's records; `path` of the device when read from one.
OutputRecord InfoRecord(const TDriverInfo& info, const TDriverLimits& limits,
                        const std::optional<std::string>& path);

// Status reports as the panel shows them. Like the window, an unknown driver state or error code
// leaves the caption as it was: the last known one, or the window's initial "Stop" and "None".
class StatusRecords {
 public:
  OutputRecord Record(const TDriverStatus& status, const TDriverLimits& limits,
                      const std::optional<std::string>& time);

 private:
  std::string stateCaption_ = "Stop";
  std::string errorCaption_ = "None";
};

// Writes records in one format: text blocks apart by an empty line; JSON one object a line; CSV
// with a header row before the first row and again whenever the columns change.
class RecordWriter {
 public:
  RecordWriter(std::ostream& out, Format format) : out_(out), format_(format) {}
  void Write(const OutputRecord& record);

 private:
  std::ostream& out_;
  Format format_;
  bool first_ = true;
  std::vector<std::string> columns_;
};

}  // namespace vmd::cli
