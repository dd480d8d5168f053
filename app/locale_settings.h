#pragma once

namespace vmd {

// Reads the user's decimal separator into the number texts' setting: the locale's separator when it
// is a single character, "." otherwise.
void ReadDecimalSeparator();

// Reads it again whenever the system announces a change of its regional settings (Windows); where
// the system announces none, the toolkit's own locale-change events serve.
void WatchRegionalSettings();

}  // namespace vmd
