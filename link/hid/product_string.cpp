#include "link/hid/product_string.h"

namespace vmd {

std::u16string ProductStringFromUnits(std::u16string_view raw) {
  raw = raw.substr(0, kProductStringUnits);
  return std::u16string(raw.substr(0, raw.find(u'\0')));
}

std::u16string Utf16FromWide(std::wstring_view wide) {
  std::u16string out;
  out.reserve(wide.size());
  for (const wchar_t unit : wide) {
    if constexpr (sizeof(wchar_t) == 2) {
      out.push_back(static_cast<char16_t>(unit));
    } else {
      const auto code = static_cast<std::uint32_t>(unit);
      if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out.push_back(u'\uFFFD');
      } else if (code > 0xFFFF) {
        out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
      } else {
        out.push_back(static_cast<char16_t>(code));
      }
    }
  }
  return out;
}

}  // namespace vmd
