#include "io/settings/ini_text.h"

#include <climits>
#include <cstdint>
#include <vector>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

struct IniLine {
  std::string_view raw;  // without its line feed
  std::size_t start;     // offset in the text
  std::size_t end;       // offset just past the line feed (or the text's end)
};

std::vector<IniLine> split_lines(std::string_view text) {
  std::vector<IniLine> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t feed = text.find('\n', start);
    std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
    std::size_t stop = feed == std::string_view::npos ? text.size() : feed;
    lines.push_back({text.substr(start, stop - start), start, end});
    start = end;
  }
  return lines;
}

// The section name of a "[name]" line, else nullopt.
std::optional<std::string_view> section_name(std::string_view line) {
  line = trimmed(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trimmed(line.substr(1, close - 1));
}

// Key and value of a "key=value" line; comments and other lines give nullopt.
std::optional<std::pair<std::string_view, std::string_view>> key_value(std::string_view line) {
  std::string_view content = trimmed(line);
  if (content.empty() || content.front() == ';' || content.front() == '[') return std::nullopt;
  std::size_t equals = content.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return std::make_pair(trimmed(content.substr(0, equals)), trimmed(content.substr(equals + 1)));
}

struct KeyLocation {
  bool section_found = false;
  std::size_t section_end = 0;  // offset just past the section's last key line
  std::optional<IniLine> key_line;
};

KeyLocation locate(const std::vector<IniLine>& lines, std::string_view section,
                   std::string_view key) {
  KeyLocation where;
  bool inside = false;
  for (const IniLine& line : lines) {
    if (auto name = section_name(line.raw)) {
      if (where.section_found && inside) break;  // only the first such section counts
      inside = same_name(*name, section);
      if (inside) {
        where.section_found = true;
        where.section_end = line.end;
      }
      continue;
    }
    if (!inside) continue;
    auto pair = key_value(line.raw);
    if (!pair) continue;
    where.section_end = line.end;
    if (!where.key_line && same_name(pair->first, key)) where.key_line = line;
  }
  return where;
}

}  // namespace

std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key) {
  std::vector<IniLine> lines = split_lines(text);
  KeyLocation where = locate(lines, section, key);
  if (!where.key_line) return std::nullopt;
  std::string_view value = key_value(where.key_line->raw)->second;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  std::vector<IniLine> lines = split_lines(text);
  KeyLocation where = locate(lines, section, key);
  std::string entry = std::string(key) + "=" + std::string(value);
  std::string result;
  if (where.key_line) {
    const IniLine& line = *where.key_line;
    bool crlf = !line.raw.empty() && line.raw.back() == '\r';
    result.append(text.substr(0, line.start));
    result += entry + (crlf ? "\r\n" : "\n");
    result.append(text.substr(line.end));
    return result;
  }
  if (where.section_found) {
    result.append(text.substr(0, where.section_end));
    if (!result.empty() && result.back() != '\n') result += '\n';
    result += entry + "\n";
    result.append(text.substr(where.section_end));
    return result;
  }
  result.append(text);
  if (!result.empty() && result.back() != '\n') result += '\n';
  result += "[" + std::string(section) + "]\n" + entry + "\n";
  return result;
}

std::optional<int> ini_read_int(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value <= std::int64_t{INT_MAX} + 1) value = value * 10 + (text[i] - '0');
    ++i;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

int ini_parse_int(std::string_view text) { return ini_read_int(text).value_or(0); }
