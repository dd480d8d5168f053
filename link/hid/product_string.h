#pragma once
// The product string as the component hands it out, and conversion of the wide strings that
// hidapi reports.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vmd {

// The product string buffer holds this many UTF-16 units.
inline constexpr std::size_t kProductStringUnits = 254;

// `raw` as read into the product string buffer: at most kProductStringUnits units, ending at the
// first zero unit.
std::u16string ProductStringFromUnits(std::u16string_view raw);

// UTF-16 of a wide string: wchar_t is UTF-32 on Linux and macOS (code points above U+FFFF become
// surrogate pairs, invalid ones U+FFFD) and UTF-16 already on Windows.
std::u16string Utf16FromWide(std::wstring_view wide);

}  // namespace vmd
