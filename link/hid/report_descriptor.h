#pragma once
// Report lengths from a HID report descriptor, as the HID capabilities state them. Small on
// purpose: it follows only the items that decide report sizes and rejects anything malformed.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vmd {

struct ReportDescriptorSummary {
  // Longest report of each kind in bytes plus one for the report-ID byte; 0 when there is none.
  std::size_t inputReportByteLength = 0;
  std::size_t outputReportByteLength = 0;
  std::size_t featureReportByteLength = 0;
  // Whether the reports carry a report-ID byte on the wire.
  bool usesReportIds = false;
};

// Empty when the descriptor is malformed: an item running past the end, a Pop without a Push, a
// Push nested too deep, a report ID of 0 or above 255, or a report too long to state.
std::optional<ReportDescriptorSummary> ParseReportDescriptor(
    std::span<const std::uint8_t> descriptor);

}  // namespace vmd
