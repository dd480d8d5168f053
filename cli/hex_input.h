#pragma once
// Reply bytes typed or piped in as hex, for `vmd220ctl decode`.
//
// Bytes are pairs of hex digits, optionally with a 0x prefix, in tokens separated by blanks or
// ":" ("02 0b 00", "020b00", "0x02:0x0b"). "," or ";" ends a report; so does the end of a line of
// standard input. Empty reports are skipped.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vmd::cli {

using Report = std::vector<std::uint8_t>;

struct HexSource {
  std::string text;
  std::string where;  // "argument 2", "line 5": for messages
  bool endsReport;    // the end of the source ends a report (a line of standard input)
};

struct HexReports {
  std::vector<Report> reports;
  std::string error;  // empty when the input was good
};

// The reports in `sources`, in order. At most `maxBytes` bytes in all.
HexReports ParseHexReports(std::span<const HexSource> sources, std::size_t maxBytes = 1 << 20);

}  // namespace vmd::cli
