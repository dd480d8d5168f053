#pragma once
// The window's typeface: Tahoma, or a sans-serif face where Tahoma is not installed.

#include <QFont>
#include <QString>

namespace vmd {

// Makes Tahoma available to the program, loading a copy that lies outside the system's font paths
// (Wine's fonts package ships one) when the system has none. Call once after the application
// exists.
void LoadWindowFonts();

// The family the window uses: "Tahoma" when available.
QString WindowFontFamily();

// The window font with the given character height in pixels (11 for frames and edit boxes, 13 for
// labels, 19 for the driver state).
QFont WindowFont(int pixelHeight);

}  // namespace vmd
