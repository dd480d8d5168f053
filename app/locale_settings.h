#pragma once

namespace vmd {

// Reads the user's decimal separator into the number texts' setting: the locale's separator when it
// is a single character, "." otherwise.
void ReadDecimalSeparator();

}  // namespace vmd
