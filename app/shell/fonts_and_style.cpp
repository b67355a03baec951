#include "app/shell/fonts_and_style.h"

#include <cmath>
#include <cstdio>

#include "app/platform/data_folders.h"
#include "app/platform/window_system.h"
#include "lang/translation.h"

namespace {

constexpr int kLargestAtlas = 16384;

bool file_exists(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

ImFontConfig font_config(float size) {
  ImFontConfig config;
  config.OversampleH = size < 24.0f ? 3 : 1;
  config.OversampleV = 1;
  return config;
}

// The Japanese font, when given a size, comes first: it is then the default
// everywhere, its own Latin letters included.
void add_fonts(float main_size, float japanese_size) {
  ImGuiIO& io = ImGui::GetIO();
  io.Fonts->Clear();
  if (japanese_size > 0.0f) {
    ImFontConfig config = font_config(japanese_size);
    config.FontNo = 0;
    io.Fonts->AddFontFromFileTTF(japanese_font_file(), japanese_size, &config, io.Fonts->GetGlyphRangesJapanese());
  }
  ImFont* font = nullptr;
  if (file_exists(main_font_file())) {
    ImFontConfig config = font_config(main_size);
    font = io.Fonts->AddFontFromFileTTF(main_font_file(), main_size, &config);
  }
  if (font == nullptr) {
    ImFontConfig config = font_config(main_size);
    config.SizePixels = std::floor(13.0f * main_size / 15.0f + 0.5f);
    io.Fonts->AddFontDefault(&config);
  }
}

}  // namespace

void apply_theme_colours(ImGuiStyle& style, int theme) {
  if (theme == 1)
    ImGui::StyleColorsLight(&style);
  else
    ImGui::StyleColorsDark(&style);
}

void rebuild_fonts_and_style(const ImGuiStyle& unscaled, float scale, bool device_ready) {
  ImGuiIO& io = ImGui::GetIO();
  // Only the font texture is remade: recreating the renderer's shaders and
  // buffers mid-run left it drawing nothing.
  if (device_ready) release_font_texture();
  const float main_size = std::floor(15.0f * scale + 0.5f);
  const float japanese_size = std::floor(16.0f * scale + 0.5f);
  const bool japanese = current_translation().code() == "ja" && file_exists(japanese_font_file());
  add_fonts(main_size, japanese ? japanese_size : 0.0f);
  // A huge scale can ask for an atlas the device cannot hold: then the main font alone.
  io.Fonts->Build();
  if (io.Fonts->TexWidth > kLargestAtlas || io.Fonts->TexHeight > kLargestAtlas) add_fonts(main_size, 0.0f);

  ImGuiStyle& style = ImGui::GetStyle();
  style = unscaled;
  style.ScaleAllSizes(scale);
  // Before the first frame the renderer makes its device objects, the font texture among them.
  if (device_ready) create_font_texture();
}
