#include "io/settings_values.h"

#include <charconv>
#include <cmath>

std::optional<double> read_real_number(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // from_chars takes neither a plus sign nor, with a minus, a second sign.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return std::nullopt;
  double value = 0.0;
  auto result = std::from_chars(text.data() + i, text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument) return std::nullopt;
  if (result.ec == std::errc::result_out_of_range) {
    // Like atof: overflow gives infinity, underflow zero; the limits sort out the rest.
    std::string_view digits = text.substr(i);
    bool tiny = digits.find("e-") != std::string_view::npos || digits.find("E-") != std::string_view::npos;
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

double parse_real_text(std::string_view text) { return read_real_number(text).value_or(0.0); }

std::string format_real(double value, RealFormat format) {
  char text[64];
  std::to_chars_result result =
      format == RealFormat::kFixed4
          ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4)
          : std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  if (result.ec != std::errc()) return "0";
  return std::string(text, result.ptr);
}
