// Feeds arbitrary bytes to the report descriptor parser, which reads what devices send: it must
// never read out of bounds, overflow or hang, and what it accepts must be statable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto summary = vmd::ParseReportDescriptor(std::span<const std::uint8_t>(data, size));
  if (summary) {
    for (const std::size_t length :
         {summary->inputReportByteLength, summary->outputReportByteLength,
          summary->featureReportByteLength}) {
      if (length == 1 || length > 0xFFFF) std::abort();  // a report has bits, and fits 16 bits
    }
  }
  return 0;
}
