#include "cli/text_escape.h"

#include <cstdint>
#include <cstdio>

namespace vmd::cli {
namespace {

std::string Hex2(unsigned value, const char* format) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Length of the valid UTF-8 sequence starting at `text[i]`, 0 when there is none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  std::uint32_t min = 0;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    min = 0x80;
    code = lead & 0x1FU;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    min = 0x800;
    code = lead & 0x0FU;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    min = 0x10000;
    code = lead & 0x07U;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0U) != 0x80U) return 0;
    code = (code << 6) | (byte(i + k) & 0x3FU);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (IsControl(u)) {
      out += Hex2(u, "\\x%02X");
    } else {
      out += c;
    }
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u < 0x80) {
      if (text[i] == '"') {
        out += "\\\"";
      } else if (text[i] == '\\') {
        out += "\\\\";
      } else if (IsControl(u)) {
        out += Hex2(u, "\\u%04x");
      } else {
        out += text[i];
      }
      ++i;
      continue;
    }
    if (const std::size_t length = Utf8SequenceLength(text, i); length != 0) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += Hex2(u, "\\u%04x");
      ++i;
    }
  }
  out += '"';
  return out;
}

std::string CsvString(std::string_view text) {
  std::string out = "\"";
  for (const char c : EscapeControls(text)) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace vmd::cli
