#pragma once
// INI text as the classic profile functions treat it: [section] lines, key=value
// lines, names compared without regard to letter case, everything else kept.
#include <optional>
#include <string>
#include <string_view>

// The value of `key` in `section` (first occurrence), trimmed and without one
// pair of enclosing quotes; nullopt when the section or key is missing.
std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key);

// `text` with `key` set to `value` in `section`; the key is added at the end of the
// section, the section at the end of the text. Other lines stay as they were.
std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value);

// The profile functions' integer reading: leading white space, an optional sign,
// decimal digits, anything after them ignored; no digits gives 0. Saturates.
int ini_parse_int(std::string_view text);
// The same, but nullopt when there are no digits.
std::optional<int> ini_read_int(std::string_view text);
