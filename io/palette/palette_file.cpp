// Reading palettes: colour lists in hex or decimal, JASC and GIMP files, and
// the PLTE (with tRNS) of a palette PNG. Every length is checked against the
// input before it is used, so hostile input ends in a message, never an overread.
#include "io/palette_file.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "io/byte_order.h"
#include "io/file_system.h"
#include "io/png/png_signature.h"

namespace {

constexpr std::size_t kLargestPaletteFile = 16u << 20;

// Distinct colours in order of first appearance, up to the caller's room.
class ColourCollector {
 public:
  ColourCollector(std::uint8_t* colours, int maximum)
      : colours_(colours), maximum_(maximum < 0 ? 0 : maximum) {}

  void add(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    if (full()) return;
    const std::uint8_t colour[4] = {r, g, b, a};
    for (int i = 0; i < count_; ++i) {
      if (std::memcmp(colours_ + i * 4, colour, 4) == 0) return;
    }
    std::memcpy(colours_ + count_ * 4, colour, 4);
    ++count_;
  }
  bool full() const { return count_ >= maximum_; }
  int count() const { return count_; }

 private:
  std::uint8_t* colours_;
  int maximum_;
  int count_ = 0;
};

int parse_palette_png(const std::uint8_t* bytes, std::size_t length, ColourCollector& colours,
                      std::string& message) {
  const char* no_plte = "no PLTE chunk: not a palette PNG";
  if (length < 20) {
    message = no_plte;
    return -1;
  }
  const std::uint8_t* plte = nullptr;
  std::size_t plte_length = 0;
  const std::uint8_t* trns = nullptr;
  std::size_t trns_length = 0;
  std::size_t position = 8;
  while (length - position >= 12) {
    std::uint32_t chunk_length = big_endian_u32(bytes + position);
    const std::uint8_t* type = bytes + position + 4;
    if (chunk_length > length - position - 12) break;  // runs past the end
    if (std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0) break;
    const std::uint8_t* data = bytes + position + 8;
    if (std::memcmp(type, "PLTE", 4) == 0) plte = data, plte_length = chunk_length;
    if (std::memcmp(type, "tRNS", 4) == 0) trns = data, trns_length = chunk_length;
    position += 12 + std::size_t{chunk_length};
  }
  if (plte == nullptr) {
    message = no_plte;
    return -1;
  }
  for (std::size_t i = 0; i < plte_length / 3 && !colours.full(); ++i) {
    std::uint8_t alpha = i < trns_length ? trns[i] : 255;
    colours.add(plte[i * 3], plte[i * 3 + 1], plte[i * 3 + 2], alpha);
  }
  if (colours.count() == 0) {
    message = "no colours found";
    return 0;
  }
  return colours.count();
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RRGGBB or RRGGBBAA, then the end of the line or white space.
bool parse_hex_colour(std::string_view text, std::uint8_t colour[4]) {
  std::size_t digits = 0;
  while (digits < text.size() && hex_value(text[digits]) >= 0) ++digits;
  if (digits != 6 && digits != 8) return false;
  if (digits < text.size() && !is_space(text[digits])) return false;
  colour[3] = 255;
  for (std::size_t i = 0; i < digits / 2; ++i) {
    colour[i] = static_cast<std::uint8_t>(hex_value(text[i * 2]) * 16 + hex_value(text[i * 2 + 1]));
  }
  return true;
}

// Up to four unsigned numbers separated by white space, read the way "%u %u %u %u"
// reads them: a number may carry a sign, and reading stops at the first non-number.
int scan_unsigned_numbers(std::string_view text, std::uint64_t numbers[4]) {
  std::size_t i = 0;
  int found = 0;
  while (found < 4) {
    while (i < text.size() && is_space(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') break;
    std::uint64_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (value < 1000000) value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
    }
    // A negative number wraps to a huge unsigned value, except minus zero.
    numbers[found++] = negative && value != 0 ? UINT64_MAX : value;
  }
  return found;
}

// "#FF000", "#FF00000", "#GG0000": a colour mistyped rather than a comment. The
// first word is a digit or so off the colour lengths and mostly hex digits, and
// holds a decimal digit unless it is hex throughout, so "#Palette" or "#region1"
// stay comments.
bool looks_like_hex_colour(std::string_view text) {
  std::size_t length = 0, hex = 0;
  bool decimal = false;
  for (; length < text.size() && !is_space(text[length]); ++length) {
    char c = text[length];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !(c >= '0' && c <= '9')) return false;
    hex += hex_value(c) >= 0;
    decimal = decimal || (c >= '0' && c <= '9');
  }
  if (length < 5 || length > 9) return false;
  return hex == length || (decimal && hex * 2 >= length);
}

bool starts_with(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

enum class LineKind { kColour, kNotRead, kNotColour };

// Comments, headers and blank lines are not read; anything else that gives no colour is reported.
LineKind parse_palette_line(std::string_view line, ColourCollector& colours) {
  if (line.empty() || starts_with(line, ";") || starts_with(line, "//") ||
      starts_with(line, "JASC-PAL") || starts_with(line, "GIMP Palette") ||
      starts_with(line, "Name:") || starts_with(line, "Columns:")) {
    return LineKind::kNotRead;
  }
  std::uint8_t colour[4];
  if (line[0] == '#') {
    if (!parse_hex_colour(line.substr(1), colour)) {
      return looks_like_hex_colour(line.substr(1)) ? LineKind::kNotColour : LineKind::kNotRead;
    }
    colours.add(colour[0], colour[1], colour[2], colour[3]);
    return LineKind::kColour;
  }
  if (parse_hex_colour(line, colour)) {
    colours.add(colour[0], colour[1], colour[2], colour[3]);
    return LineKind::kColour;
  }
  std::string spaced(line);
  for (char& c : spaced) {
    if (c == '\t' || c == ',' || c == ';') c = ' ';
  }
  std::uint64_t numbers[4] = {0, 0, 0, 255};
  int found = scan_unsigned_numbers(spaced, numbers);
  if (found < 3) return LineKind::kNotColour;
  for (int i = 0; i < found; ++i) {
    if (numbers[i] > 255) return LineKind::kNotColour;
  }
  colours.add(static_cast<std::uint8_t>(numbers[0]), static_cast<std::uint8_t>(numbers[1]),
              static_cast<std::uint8_t>(numbers[2]), static_cast<std::uint8_t>(numbers[3]));
  return LineKind::kColour;
}

bool is_decimal_number(std::string_view line) {
  if (line.empty()) return false;
  for (char c : line) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "skipped lines 3, 7 that are not colours", naming at most ten of them.
std::string skipped_lines_warning(const std::vector<std::size_t>& lines) {
  if (lines.empty()) return "";
  constexpr std::size_t kNamed = 10;
  std::string text = lines.size() == 1 ? "skipped line " : "skipped lines ";
  for (std::size_t i = 0; i < lines.size() && i < kNamed; ++i) {
    if (i > 0) text += i + 1 == lines.size() && lines.size() <= kNamed ? " and " : ", ";
    text += std::to_string(lines[i]);
  }
  if (lines.size() > kNamed) text += " and " + std::to_string(lines.size() - kNamed) + " more";
  text += lines.size() == 1 ? " that is not a colour" : " that are not colours";
  return text;
}

int parse_palette_lines(std::string_view text, ColourCollector& colours, std::string& message,
                        std::string* warning) {
  std::vector<std::size_t> skipped;
  std::size_t line_number = 0;
  int jasc_header_left = 0;  // a JASC file's version and colour-count lines follow its first line
  std::size_t start = 0;
  while (start < text.size() && !colours.full()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    ++line_number;
    std::size_t first = 0;
    while (first < line.size() && is_space(line[first])) ++first;
    std::size_t last = line.size();
    while (last > first && is_space(line[last - 1])) --last;
    line = line.substr(first, last - first);
    if (line.empty()) continue;
    if (jasc_header_left > 0 && is_decimal_number(line)) {
      --jasc_header_left;
      continue;
    }
    jasc_header_left = starts_with(line, "JASC-PAL") ? 2 : 0;
    if (parse_palette_line(line, colours) == LineKind::kNotColour) skipped.push_back(line_number);
  }
  if (warning != nullptr) *warning = skipped_lines_warning(skipped);
  if (colours.count() == 0) {
    message = "no colours found";
    return 0;
  }
  return colours.count();
}

}  // namespace

int parse_palette_text(const char* bytes, std::size_t length, std::uint8_t* colours, int maximum,
                       std::string& message, std::string* warning) {
  if (warning != nullptr) warning->clear();
  if (bytes == nullptr || colours == nullptr) {
    message = "nothing to read";
    return -1;
  }
  ColourCollector collector(colours, maximum);
  const auto* raw = reinterpret_cast<const std::uint8_t*>(bytes);
  if (starts_with_png_signature(raw, length)) {
    return parse_palette_png(raw, length, collector, message);
  }
  std::string_view text(bytes, length);
  // Editors on some systems start UTF-8 text with a byte order mark.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return parse_palette_lines(text, collector, message, warning);
}

IoStatus read_palette_file(const std::string& path, std::uint8_t* colours, int maximum, int& count,
                           std::string& message, std::string* warning) {
  count = 0;
  if (warning != nullptr) warning->clear();
  // A regular file only: a pipe or device given as a palette could block or never end.
  std::string bytes;
  SmallFileRead read = read_small_file(path, kLargestPaletteFile, bytes);
  if (read == SmallFileRead::too_large) {
    message = path + ": palette file is too large";
    return IoCode::kTooLarge;
  }
  if (read != SmallFileRead::ok) {
    message = "cannot open " + path;
    IoStatus reason = readable_file_status(path);
    // The file changed between the read and the look: say only that it could not be opened.
    return reason.ok() ? IoStatus(IoCode::kNoSuchFile) : reason;
  }
  std::string reason;
  int parsed = parse_palette_text(bytes.data(), bytes.size(), colours, maximum, reason, warning);
  if (warning != nullptr && !warning->empty()) *warning = path + ": " + *warning;
  if (parsed <= 0) {
    message = path + ": " + reason;
    return parsed == 0 ? IoCode::kNoPalette : IoCode::kUnrecognised;
  }
  count = parsed;
  return IoStatus();
}
