// Feeds arbitrary data bytes (the report ID split off) to the reply decoders, which read what the
// driver sends: they must never read out of bounds, and what they decode must be the bytes of the
// report, field by field.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "protocol/driver_protocol.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool SameBytes(const std::vector<std::uint8_t>& wire, std::span<const std::uint8_t> data,
               std::size_t offset) {
  return data.size() >= offset + wire.size() &&
         std::equal(wire.begin(), wire.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::span<const std::uint8_t> data(bytes, size);

  const auto info = vmd::DecodeInfoReply(data);
  Check(info.has_value() == (size >= vmd::kInfoReplyDataBytes && data[0] == vmd::CMD_GET_INFO));
  if (info) {
    // The limits are D12..D21 as they stand, the text runs from D2 to its first zero byte.
    Check(SameBytes(vmd::EncodeLimits(info->limits), data, 12));
    const std::string& text = info->info.infoText;
    Check(text.size() <= size - 2);
    Check(std::equal(text.begin(), text.end(), data.begin() + 2,
                     [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }));
    Check(text.find('\0') == std::string::npos);
    Check(2 + text.size() == size || data[2 + text.size()] == 0);
    // The versions are signed bytes / 100: within -1.28...1.27.
    for (const float version : {info->info.deviceVersion, info->info.hardwareVersion}) {
      Check(version >= -1.2801f && version <= 1.2701f);
    }
  }

  const auto status = vmd::DecodeStatusReply(data);
  Check(status.has_value() ==
        (size >= vmd::kStatusReplyDataBytes && data[0] == vmd::CMD_GET_STATUS));
  if (status) Check(SameBytes(vmd::EncodeStatus(*status), data, 1));

  // A reply is never both.
  Check(!(info && status));
  return 0;
}
