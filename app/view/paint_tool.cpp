#include "app/view/paint_tool.h"

#include <cstdint>

#include "app/document/document.h"
#include "app/ui/interface_scale.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

constexpr ImGuiButtonFlags kBothButtons = ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight;

struct SourcePixel {
  int x = 0;
  int y = 0;
};

// Truncated toward zero, as a dab wants it (a point left of the image is column 0's neighbour).
SourcePixel under_mouse(ImVec2 at, float scale) {
  ImVec2 mouse = ImGui::GetIO().MousePos;
  return {static_cast<int>((mouse.x - at.x) / scale), static_cast<int>((mouse.y - at.y) / scale)};
}

void brush(Document& document, UiState& ui, ImVec2 at, ImVec2 drawn, float scale) {
  ImGui::SetCursorScreenPos(at);
  ImGui::InvisibleButton("##paintbrush", drawn, kBothButtons);
  const bool active = ImGui::IsItemActive();
  if (ImGui::IsItemHovered() || active) {
    ImU32 colour = ui.tool == Tool::paint_focus ? IM_COL32(255, 230, 120, 200) : IM_COL32(255, 170, 120, 200);
    ImGui::GetWindowDrawList()->AddCircle(ImGui::GetIO().MousePos, static_cast<float>(ui.brush) * scale, colour,
                                          0, 1.5f * effective_scale());
  }
  // One edit step and one run per stroke; every frame of it adds a dab.
  if (ImGui::IsItemActivated()) document.push_edit_step();
  const ImGuiIO& io = ImGui::GetIO();
  if (active && (io.MouseDown[0] || io.MouseDown[1])) {
    SourcePixel pixel = under_mouse(at, scale);
    document.paint_dab(tool_layer(ui.tool), pixel.x, pixel.y, ui.brush, io.MouseDown[0] ? 0.5f : -0.6f);
    ui.overlay_dirty[tool_layer(ui.tool)] = true;
  }
  if (ImGui::IsItemDeactivated()) document.request_run();
}

void picker(Document& document, ImVec2 at, ImVec2 drawn, float scale) {
  ImGui::SetCursorScreenPos(at);
  ImGui::InvisibleButton("##pinpick", drawn, kBothButtons);
  if (!ImGui::IsItemHovered()) return;
  ImVec2 mouse = ImGui::GetIO().MousePos;
  if (mouse.x < at.x || mouse.y < at.y) return;
  SourcePixel pixel = under_mouse(at, scale);
  if (pixel.x >= static_cast<int>(document.width()) || pixel.y >= static_cast<int>(document.height())) return;
  const std::uint8_t* colour = &document.pixels()[(static_cast<std::size_t>(pixel.y) * document.width() + pixel.x) * 4];
  ImGui::SetTooltip("%u, %u, %u", colour[0], colour[1], colour[2]);
  if (ImGui::IsMouseClicked(ImGuiMouseButton_Left)) {
    document.push_edit_step();
    document.pin_at(pixel.x, pixel.y);
    document.request_run();
  } else if (ImGui::IsMouseClicked(ImGuiMouseButton_Right)) {
    document.push_edit_step();
    document.unpin_nearest(pixel.x, pixel.y);
    document.request_run();
  }
}

}  // namespace

void paint_and_pick(Document& document, UiState& ui, ImVec2 at, ImVec2 drawn, float scale) {
  if (drawn.x < 1.0f || drawn.y < 1.0f || scale <= 0.0f) return;
  if (ui.tool != Tool::none)
    brush(document, ui, at, drawn, scale);
  else if (ui.picking)
    picker(document, at, drawn, scale);
}
