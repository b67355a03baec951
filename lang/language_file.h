#pragma once
// Language files: one "English=translation" line per string, UTF-8.
// "\n" is a line break, "\\" a backslash and "\=" an equals sign; empty lines,
// lines starting with "#" and lines with an empty translation are skipped.
#include <string>
#include <string_view>
#include <unordered_map>

using TranslationTable = std::unordered_map<std::string, std::string>;

// Later lines replace earlier ones with the same key.
TranslationTable parse_language_text(std::string_view text);
