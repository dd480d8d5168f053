#pragma once
// Texts from a device (its product string, the driver's info text) may hold any byte. Before they
// reach a terminal, a CSV file or a JSON line they are made harmless here.

#include <string>
#include <string_view>

namespace vmd::cli {

// `text` with every control character (below 0x20, and 0x7F) written as \xHH and "\" as "\\".
std::string EscapeControls(std::string_view text);

// `text` as a JSON string, quotes included. Valid UTF-8 sequences pass unchanged; every other
// byte of 0x80 and above is taken as the Latin-1 character of that code, so nothing is lost.
std::string JsonString(std::string_view text);

// `text` as a CSV field: quoted, inner quotes doubled, control characters escaped as above.
std::string CsvString(std::string_view text);

}  // namespace vmd::cli
