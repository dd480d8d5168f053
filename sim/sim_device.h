#pragma once
// The behaviour of the simulated VMD220, free of any I/O: its report descriptor, its options, the
// status it reports over time and its replies to output reports. The uhid program around it only
// moves bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/driver_protocol.h"

namespace vmd::sim {

// How the device answers one kind of request.
enum class ReplyKind {
  Normal,     // a well-formed reply
  None,       // no reply at all
  Short,      // an input report shorter than the descriptor states (the kernel drops it)
  Malformed,  // a full-length report whose first data byte is no known reply code
};

// How the reported status develops over time.
enum class Scenario {
  Fixed,  // always the configured status
  Sweep,  // potentiometer, analog input, current and PWM sweep; state, error, switches and
          // inputs cycle through their patterns
};

struct SimOptions {
  std::string name = "VMD220";
  std::uint16_t vendorId = 0x1209;
  std::uint16_t productId = 0x0220;
  std::string uniq;  // serial number string; empty: the program picks one
  // Data bytes after the report ID, as the report descriptor states them.
  std::size_t inputSize = 64;
  std::size_t outputSize = 64;
  int replyDelayMs = 0;
  ReplyKind infoReply = ReplyKind::Normal;
  ReplyKind statusReply = ReplyKind::Normal;
  Scenario scenario = Scenario::Sweep;
  std::uint8_t deviceVersion = 101;    // version x 100, as a signed byte
  std::uint8_t hardwareVersion = 100;  // version x 100, as a signed byte
  std::string infoText = "SIM";        // at most 9 characters fit before the hardware version
  TDriverLimits limits{48000, 100, 1000, 5000};
  TDriverStatus status{};           // the fixed status, and the base of the sweep
  std::vector<std::string> pinned;  // status fields given on the command line: the sweep keeps them
  std::string logPath;  // where received output reports are logged; empty: standard output
};

// Parses the command line (without the program name). Returns the options, or the reason they are
// not valid in `error`.
std::optional<SimOptions> ParseOptions(std::span<const std::string_view> args, std::string& error);
std::string UsageText();

// The report descriptor: vendor-defined page, report ID 1, `inputSize` and `outputSize` bytes.
std::vector<std::uint8_t> ReportDescriptor(std::size_t inputSize, std::size_t outputSize);

// The status the device reports `elapsedMs` after it was created.
TDriverStatus StatusAt(const SimOptions& options, std::int64_t elapsedMs);

// The input report (report ID included, 1 + inputSize bytes unless the reply is short) the device
// sends in answer to the output report `report` (report ID included); empty for no reply. Only
// reports with ID 1 and a command of CMD_GET_INFO or CMD_GET_STATUS are answered.
std::vector<std::uint8_t> ReplyTo(const SimOptions& options, std::span<const std::uint8_t> report,
                                  std::int64_t elapsedMs);

// Lower-case hex digits of `bytes`, no separators.
std::string HexText(std::span<const std::uint8_t> bytes);

}  // namespace vmd::sim
