#pragma once
// How the program recognises the driver and what it calls it.

#include <string_view>

namespace vmd {

// A HID device is the driver exactly when its product string equals this text, byte for byte.
inline constexpr std::string_view DriverProductName = "VMD220";

// The program's own name and version, as its window and dialogs show them.
inline constexpr std::string_view ApplicationTitle = "VMD220-PC";
inline constexpr std::string_view ProgramVersionText = "1.01";

}  // namespace vmd
