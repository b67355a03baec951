#pragma once
// Numbers in settings text, independent of the process's locale.
#include <optional>
#include <string>
#include <string_view>

// Reads a real the way atof does in the "C" locale: leading white space, a sign,
// as much of a number as there is; no number gives 0.
double parse_real_text(std::string_view text);
// The same, but nullopt when the text holds no number at all.
std::optional<double> read_real_number(std::string_view text);

enum class RealFormat { kShortest6, kFixed4 };  // "%.6g", "%.4f"
std::string format_real(double value, RealFormat format);
