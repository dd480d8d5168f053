#include "cli/hex_input.h"

#include "cli/text_escape.h"

namespace vmd::cli {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == ':';
}

class Parser {
 public:
  explicit Parser(std::size_t maxBytes) : maxBytes_(maxBytes) {}

  bool Token(std::string_view token, const std::string& where) {
    std::string_view digits = token;
    if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
    const bool hex = !digits.empty() && digits.size() % 2 == 0 &&
                     digits.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
    if (!hex) {
      std::string shown(token.substr(0, 24));
      if (token.size() > shown.size()) shown += "...";
      result_.error = "bad hex input in " + where + ": \"" + EscapeControls(shown) +
                      "\" is not bytes as pairs of hex digits";
      return false;
    }
    if (bytes_ + digits.size() / 2 > maxBytes_) {
      result_.error = "bad hex input: more than " + std::to_string(maxBytes_) + " bytes";
      return false;
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      current_.push_back(
          static_cast<std::uint8_t>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1])));
    }
    bytes_ += digits.size() / 2;
    return true;
  }

  void EndReport() {
    if (!current_.empty()) result_.reports.push_back(std::move(current_));
    current_.clear();
  }

  HexReports Finish() {
    EndReport();
    if (result_.error.empty() && result_.reports.empty()) result_.error = "no bytes to decode";
    return std::move(result_);
  }

 private:
  std::size_t maxBytes_;
  std::size_t bytes_ = 0;
  Report current_;
  HexReports result_;
};

}  // namespace

HexReports ParseHexReports(std::span<const HexSource> sources, std::size_t maxBytes) {
  Parser parser(maxBytes);
  for (const HexSource& source : sources) {
    const std::string& text = source.text;
    std::size_t start = std::string::npos;  // start of the token being read
    for (std::size_t i = 0; i <= text.size(); ++i) {
      const bool end = i == text.size();
      const char c = end ? ' ' : text[i];
      const bool reportEnd = c == ',' || c == ';';
      if (!IsBlank(c) && !reportEnd) {
        if (start == std::string::npos) start = i;
        continue;
      }
      if (start != std::string::npos) {
        if (!parser.Token(std::string_view(text).substr(start, i - start), source.where)) {
          HexReports failed = parser.Finish();
          failed.reports.clear();
          return failed;
        }
        start = std::string::npos;
      }
      if (reportEnd) parser.EndReport();
    }
    if (source.endsReport) parser.EndReport();
  }
  return parser.Finish();
}

}  // namespace vmd::cli
