// The shipped Japanese file: every line a usable translation the interface can
// format, type its menu letters in and draw with the Japanese font.
#include <gtest/gtest.h>
#include <imgui.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/option_table.h"
#include "lang/language_file.h"

namespace {

std::string read_japanese_file() {
  std::ifstream file(BQ_LANG_DIR "/ja.txt", std::ios::binary);
  EXPECT_TRUE(file) << BQ_LANG_DIR "/ja.txt";
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The printf conversions of a format, "%%" included, in order.
std::vector<std::string> conversions(const std::string& text) {
  std::vector<std::string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    std::size_t end = i + 1;
    while (end < text.size() && std::string_view("-+ #0123456789.*hljztL").find(text[end]) != std::string_view::npos)
      ++end;
    found.push_back(text.substr(i, end + 1 - i));
    i = end;
  }
  return found;
}

// The letter after the first single "&", upper case; 0 when none.
char menu_letter(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

std::vector<char32_t> code_points(const std::string& text) {
  std::vector<char32_t> points;
  for (std::size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (int k = 1; k < length && i + k < text.size(); ++k) point = (point << 6) | (text[i + k] & 0x3F);
    points.push_back(point);
    i += length;
  }
  return points;
}

bool in_ranges(const ImWchar* ranges, char32_t point) {
  for (; ranges[0] != 0; ranges += 2)
    if (point >= ranges[0] && point <= ranges[1]) return true;
  return false;
}

TEST(JapaneseFile, EveryLineIsATranslationTheInterfaceCanUse) {
  std::istringstream lines(read_japanese_file());
  ImFontAtlas atlas;
  const ImWchar* glyphs = atlas.GetGlyphRangesJapanese();
  std::set<std::string> keys;
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    // One line on its own: no separator or an empty value gives nothing.
    TranslationTable entry = parse_language_text(line);
    EXPECT_EQ(entry.size(), 1u) << "line " << number << ": " << line;
    if (entry.size() != 1) continue;
    const auto& [english, japanese] = *entry.begin();
    EXPECT_TRUE(keys.insert(english).second) << "line " << number << " repeats: " << english;
    // The code formats the translation with the English string's arguments.
    EXPECT_EQ(conversions(japanese), conversions(english)) << "line " << number << ": " << line;
    if (english.find("##") == std::string::npos) {
      EXPECT_EQ(japanese.find("##"), std::string::npos) << "line " << number;
    }
    // Keyboard access to the menus is the same in both languages.
    EXPECT_EQ(menu_letter(japanese), menu_letter(english)) << "line " << number << ": " << line;
    for (char32_t point : code_points(japanese)) {
      if (point < 0x20) continue;  // line breaks
      EXPECT_TRUE(in_ranges(glyphs, point))
          << "line " << number << ": U+" << std::hex << static_cast<unsigned>(point) << " has no glyph";
    }
  }
  EXPECT_EQ(parse_language_text(read_japanese_file()).size(), keys.size());
  EXPECT_GT(keys.size(), 200u);

  // The sidebar shows every option's label and choice in the interface language.
  for (const OptionSpec& spec : option_table()) {
    if (spec.slider_text != nullptr) {
      EXPECT_TRUE(keys.count(spec.slider_text)) << spec.slider_text;
    }
    for (const OptionChoice& choice : spec.choices) EXPECT_TRUE(keys.count(choice.label)) << choice.label;
  }
}

}  // namespace
