// Feeds arbitrary UTF-16 units (and wide characters) to the product-string handling: the cut of
// the product string buffer (254 units, first zero unit) and the conversion to the program's 8-bit
// text that the device list and the driver match use. Checks the cut against its definition and
// the 8-bit text against an independent UTF-8 decoder: well-formed UTF-8 that decodes to the
// units, each unpaired surrogate standing as "?".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "common/eight_bit_text.h"
#include "link/hid/product_string.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsHigh(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code points of `text`, an unpaired surrogate becoming '?'.
std::u32string CodePoints(std::u16string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      out.push_back(0x10000 + ((char32_t{text[i]} - 0xD800) << 10) +
                    (char32_t{text[i + 1]} - 0xDC00));
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      out.push_back(U'?');
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Strict UTF-8 decoding (shortest forms only, no surrogates, at most U+10FFFF); false when `text`
// is not well-formed.
bool DecodeUtf8(std::string_view text, std::u32string& out) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07u, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;  // cut short
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    out.push_back(code);
    i += 1 + extra;
  }
  return true;
}

void CheckEightBit(std::u16string_view text) {
  const std::string eight = vmd::EightBitFromUtf16(text);
  std::u32string decoded;
  Check(DecodeUtf8(eight, decoded));
  Check(decoded == CodePoints(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // The bytes as little-endian UTF-16 units, the way the product string buffer holds them.
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }

  const std::u16string product = vmd::ProductStringFromUnits(units);
  const std::size_t window = std::min(units.size(), vmd::kProductStringUnits);
  const std::size_t zero = std::u16string_view(units).substr(0, window).find(u'\0');
  const std::size_t expected = zero == std::u16string_view::npos ? window : zero;
  Check(product.size() == expected);
  Check(product.size() <= vmd::kProductStringUnits);
  Check(std::u16string_view(units).substr(0, expected) == product);
  Check(product.find(u'\0') == std::u16string::npos);

  CheckEightBit(units);
  CheckEightBit(product);

  // The decimal separator: the setting when it is one character, "." otherwise.
  const std::string separator = vmd::DecimalSeparatorFromSetting(product);
  const std::u32string characters = CodePoints(product);
  Check(separator == (characters.size() == 1 ? vmd::EightBitFromUtf16(product) : "."));

  // The bytes as wide characters, as hidapi reports them on Linux (UTF-32): always well-formed
  // UTF-16, each invalid code point becoming U+FFFD.
  static_assert(sizeof(wchar_t) == 4, "the fuzz targets are built on Linux");
  std::wstring wide(size / sizeof(wchar_t), L'\0');
  std::memcpy(wide.data(), bytes, wide.size() * sizeof(wchar_t));
  const std::u16string fromWide = vmd::Utf16FromWide(wide);
  const std::u32string points = CodePoints(fromWide);
  Check(points.size() == wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const auto code = static_cast<std::uint32_t>(wide[i]);
    const bool valid = code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    Check(points[i] == (valid ? code : 0xFFFDu));
  }
  CheckEightBit(fromWide);
  return 0;
}
