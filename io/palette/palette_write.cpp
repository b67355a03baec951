// Writing palettes and pins: the plain list, JASC .pal, GIMP .gpl.
#include <cctype>
#include <cstdio>

#include "io/palette_file.h"
#include "io/replacing_file.h"

namespace {

bool ends_with_ignoring_case(const std::string& text, const char* ending) {
  std::string_view suffix(ending);
  if (text.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(text[text.size() - suffix.size() + i]);
    if (std::tolower(a) != suffix[i]) return false;
  }
  return true;
}

std::string formatted(const char* format, unsigned a, unsigned b = 0, unsigned c = 0,
                      unsigned d = 0) {
  char line[96];
  std::snprintf(line, sizeof line, format, a, b, c, d);
  return line;
}

std::string jasc_text(const std::uint8_t* palette, std::uint32_t count) {
  std::string text = formatted("JASC-PAL\n0100\n%u\n", count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* c = palette + i * 4;
    text += formatted("%u %u %u\n", c[0], c[1], c[2]);
  }
  return text;
}

std::string gimp_text(const std::uint8_t* palette, std::uint32_t count) {
  std::string text = "GIMP Palette\nName: Brisel Quantizer\nColumns: 16\n#\n";
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* c = palette + i * 4;
    text += formatted("%3u %3u %3u\tIndex %u\n", c[0], c[1], c[2], i);
  }
  return text;
}

// The whole text or nothing: an existing file is replaced only by a complete one.
IoStatus write_text_file(const std::string& path, const std::string& text) {
  ReplacingFile output;
  std::FILE* file = output.open(path);
  bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                 output.commit();
  return written ? IoCode::kOk : IoCode::kCannotCreateFile;
}

}  // namespace

std::string palette_plain_list(const std::uint8_t* palette, std::uint32_t count) {
  std::string text = formatted("; Brisel Quantizer palette, %u entries, in palette order\n", count);
  for (std::uint32_t i = 0; palette != nullptr && i < count; ++i) {
    const std::uint8_t* c = palette + i * 4;
    text += c[3] == 255 ? formatted("#%02X%02X%02X\n", c[0], c[1], c[2])
                        : formatted("#%02X%02X%02X%02X\n", c[0], c[1], c[2], c[3]);
  }
  return text;
}

IoStatus write_palette_file(const std::string& path, const std::uint8_t* palette,
                            std::uint32_t count) {
  if (palette == nullptr || count == 0) return IoCode::kNoPalette;
  std::string text = ends_with_ignoring_case(path, ".pal")   ? jasc_text(palette, count)
                     : ends_with_ignoring_case(path, ".gpl") ? gimp_text(palette, count)
                                                             : palette_plain_list(palette, count);
  return write_text_file(path, text);
}

IoStatus write_pins_file(const std::string& path, const std::uint8_t* pins, std::uint32_t count) {
  std::string text =
      "; kestrane GUI pinned colours, one per line; #RRGGBB, RRGGBB or r,g,b also read\n";
  for (std::uint32_t i = 0; pins != nullptr && i < count; ++i) {
    text += formatted("#%02X%02X%02X\n", pins[i * 4], pins[i * 4 + 1], pins[i * 4 + 2]);
  }
  return write_text_file(path, text);
}
