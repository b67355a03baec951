#include "app/shell/fonts_and_style.h"

#include <backends/imgui_impl_opengl3.h>

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kMainFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool file_exists(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
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
  if (device_ready) ImGui_ImplOpenGL3_DestroyFontsTexture();
  io.Fonts->Clear();
  float size = std::floor(15.0f * scale + 0.5f);
  ImFont* font = nullptr;
  if (file_exists(kMainFont)) font = io.Fonts->AddFontFromFileTTF(kMainFont, size);
  if (font == nullptr) {
    ImFontConfig config;
    config.SizePixels = std::floor(13.0f * scale + 0.5f);
    io.Fonts->AddFontDefault(&config);
  }
  ImGuiStyle& style = ImGui::GetStyle();
  style = unscaled;
  style.ScaleAllSizes(scale);
  // Before the first frame the renderer makes its device objects, the font texture among them.
  if (device_ready) ImGui_ImplOpenGL3_CreateFontsTexture();
}
