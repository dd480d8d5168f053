#pragma once
// Conversion of the UTF-16 texts that devices and the system report into the program's 8-bit texts.

#include <string>
#include <string_view>

namespace vmd {

// The 8-bit text of `text` in the system's local 8-bit encoding: the ANSI code page on Windows,
// UTF-8 elsewhere. A character the encoding cannot hold (an unpaired surrogate included) becomes
// "?", as the system conversions do. Never fails.
std::string EightBitFromUtf16(std::u16string_view text);

// The decimal separator that a locale setting gives: the setting when it is a single character,
// "." otherwise (empty, or several characters).
std::string DecimalSeparatorFromSetting(std::u16string_view setting);

}  // namespace vmd
