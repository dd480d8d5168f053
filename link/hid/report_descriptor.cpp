#include "link/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace vmd {
namespace {

// Item tags (HID 1.11, 6.2.2): main items, then global items.
enum : std::uint8_t {
  kTypeMain = 0,
  kTypeGlobal = 1,
  kMainInput = 0x8,
  kMainOutput = 0x9,
  kMainFeature = 0xB,
  kGlobalReportSize = 0x7,
  kGlobalReportId = 0x8,
  kGlobalReportCount = 0x9,
  kGlobalPush = 0xA,
  kGlobalPop = 0xB,
  kLongItemPrefix = 0xFE,
};

constexpr std::size_t kMaxPushDepth = 32;
// Report lengths are 16-bit in the HID capabilities; anything longer cannot be stated.
constexpr std::uint64_t kMaxReportBits = (0xFFFFull - 1) * 8;

struct Globals {
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint32_t reportId = 0;
};

std::uint32_t UnsignedData(std::span<const std::uint8_t> data) {
  std::uint32_t value = 0;
  for (std::size_t i = data.size(); i > 0; --i) value = (value << 8) | data[i - 1];
  return value;
}

}  // namespace

std::optional<ReportDescriptorSummary> ParseReportDescriptor(
    std::span<const std::uint8_t> descriptor) {
  Globals globals;
  std::array<Globals, kMaxPushDepth> stack{};
  std::size_t depth = 0;
  bool usesReportIds = false;
  // Bits per (kind, report ID); kinds 0 input, 1 output, 2 feature.
  std::map<std::pair<int, std::uint32_t>, std::uint64_t> bits;

  std::size_t pos = 0;
  while (pos < descriptor.size()) {
    const std::uint8_t prefix = descriptor[pos];
    if (prefix == kLongItemPrefix) {
      // Long item: prefix, data size, tag, data. No long item affects report sizes.
      if (descriptor.size() - pos < 3) return std::nullopt;
      const std::size_t dataSize = descriptor[pos + 1];
      if (descriptor.size() - pos - 3 < dataSize) return std::nullopt;
      pos += 3 + dataSize;
      continue;
    }
    const std::size_t sizeCode = prefix & 0x3u;
    const std::size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
    if (descriptor.size() - pos - 1 < dataSize) return std::nullopt;
    const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3u);
    const auto tag = static_cast<std::uint8_t>(prefix >> 4);
    const std::uint32_t value = UnsignedData(descriptor.subspan(pos + 1, dataSize));
    pos += 1 + dataSize;

    if (type == kTypeMain) {
      const int kind = tag == kMainInput     ? 0
                       : tag == kMainOutput  ? 1
                       : tag == kMainFeature ? 2
                                             : -1;
      if (kind < 0) continue;
      std::uint64_t& total = bits[{kind, globals.reportId}];
      total += std::uint64_t{globals.reportSize} * globals.reportCount;
      if (total > kMaxReportBits) return std::nullopt;
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kGlobalReportSize:
          globals.reportSize = value;
          break;
        case kGlobalReportCount:
          globals.reportCount = value;
          break;
        case kGlobalReportId:
          if (value == 0 || value > 255) return std::nullopt;
          globals.reportId = value;
          usesReportIds = true;
          break;
        case kGlobalPush:
          if (depth == kMaxPushDepth) return std::nullopt;
          stack[depth++] = globals;
          break;
        case kGlobalPop:
          if (depth == 0) return std::nullopt;
          globals = stack[--depth];
          break;
        default:
          break;
      }
    }
    // Local and reserved items do not change report sizes.
  }

  ReportDescriptorSummary summary;
  summary.usesReportIds = usesReportIds;
  for (const auto& [key, total] : bits) {
    if (total == 0) continue;
    const std::size_t length = static_cast<std::size_t>((total + 7) / 8) + 1;
    std::size_t& slot = key.first == 0   ? summary.inputReportByteLength
                        : key.first == 1 ? summary.outputReportByteLength
                                         : summary.featureReportByteLength;
    slot = std::max(slot, length);
  }
  return summary;
}

}  // namespace vmd
