#include "lang/language_file.h"

namespace {

std::string unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size()) {
      char next = text[i + 1];
      if (next == 'n' || next == '\\' || next == '=') {
        out.push_back(next == 'n' ? '\n' : next);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

// The first "=" not written as "\=".
std::size_t separator(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
      continue;
    }
    if (line[i] == '=') return i;
  }
  return std::string_view::npos;
}

}  // namespace

TranslationTable parse_language_text(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  TranslationTable table;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    std::size_t equals = separator(line);
    if (equals == std::string_view::npos) continue;
    std::string value = unescape(line.substr(equals + 1));
    if (value.empty()) continue;
    table[unescape(line.substr(0, equals))] = std::move(value);
  }
  return table;
}
