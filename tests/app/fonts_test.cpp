// The font atlas the interface builds: Japanese glyphs exactly when the language is Japanese.
#include <gtest/gtest.h>

#include <imgui.h>

#include <filesystem>

#include "app/shell/fonts_and_style.h"
#include "lang/translation.h"

namespace {

// One interface context per test, without a window: the atlas is built on the CPU.
struct InterfaceContext {
  InterfaceContext() { ImGui::CreateContext(); }
  ~InterfaceContext() {
    ImGui::DestroyContext();
    current_translation().load_table("en", {});
  }
};

bool has_glyph(ImWchar c) {
  ImFont* font = ImGui::GetIO().Fonts->Fonts[0];
  return font->FindGlyphNoFallback(c) != nullptr;
}

}  // namespace

TEST(Fonts, JapaneseGlyphsComeWithTheJapaneseLanguageOnly) {
  if (!std::filesystem::exists("/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"))
    GTEST_SKIP() << "fonts-noto-cjk is not installed";
  InterfaceContext context;
  ImGuiStyle unscaled = ImGui::GetStyle();
  rebuild_fonts_and_style(unscaled, 1.0f, false);
  EXPECT_FALSE(has_glyph(0x30D5));  // katakana "fu"
  EXPECT_FLOAT_EQ(ImGui::GetIO().Fonts->Fonts[0]->FontSize, 15.0f);

  current_translation().load_table("ja", {{"File", "ファイル"}});
  rebuild_fonts_and_style(unscaled, 1.5f, false);
  EXPECT_TRUE(has_glyph(0x30D5));
  EXPECT_TRUE(has_glyph('A'));
  EXPECT_FLOAT_EQ(ImGui::GetIO().Fonts->Fonts[0]->FontSize, 24.0f);  // floor(16 x 1.5 + 0.5)
  EXPECT_FLOAT_EQ(ImGui::GetStyle().FramePadding.x, unscaled.FramePadding.x * 1.5f);
}
