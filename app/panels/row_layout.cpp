#include "app/panels/row_layout.h"

#include <imgui.h>

void same_line_if_fits(float width) {
  const ImGuiStyle& style = ImGui::GetStyle();
  float right_edge = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x;
  if (ImGui::GetItemRectMax().x + style.ItemSpacing.x + width <= right_edge) ImGui::SameLine();
}

float button_width(const char* label) {
  return ImGui::CalcTextSize(label, nullptr, true).x + 2.0f * ImGui::GetStyle().FramePadding.x;
}

float checkbox_width(const char* label) {
  return ImGui::GetFrameHeight() + ImGui::GetStyle().ItemInnerSpacing.x + ImGui::CalcTextSize(label, nullptr, true).x;
}

float text_width(const char* text) { return ImGui::CalcTextSize(text).x; }

std::string tail_that_fits(const std::string& text, float width) {
  if (ImGui::CalcTextSize(text.c_str()).x <= width) return text;
  const std::string dots = "...";
  std::size_t start = 0;
  while (start < text.size()) {
    ++start;
    while (start < text.size() && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) ++start;
    std::string shown = dots + text.substr(start);
    if (ImGui::CalcTextSize(shown.c_str()).x <= width) return shown;
  }
  return dots;
}

const char* file_name_of(const std::string& path) {
  std::size_t slash = path.find_last_of("/\\");
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}
