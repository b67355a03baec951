#include "app/view/split_view.h"

#include <algorithm>

#include "app/ui/interface_scale.h"
#include "app/ui/ui_state.h"
#include "app/view/pane_label.h"
#include "app/platform/texture.h"

void draw_split_view(ImDrawList* draw_list, UiState& ui, const SplitHalves& halves,
                     ImVec2 image_min, ImVec2 image_size, bool tool_active) {
  const float k = effective_scale();
  const float x0 = image_min.x, y0 = image_min.y, w = image_size.x, h = image_size.y;
  float f = std::clamp(ui.split_pos, 0.0f, 1.0f);
  bool vertical = ui.split_vertical;

  ImVec2 divider_a, divider_b;  // the divider's two ends
  if (vertical) {
    float x = x0 + w * f;
    draw_list->AddImage(halves.first->imgui_id(), ImVec2(x0, y0), ImVec2(x, y0 + h), ImVec2(0, 0), ImVec2(f, 1));
    draw_list->AddImage(halves.second->imgui_id(), ImVec2(x, y0), ImVec2(x0 + w, y0 + h), ImVec2(f, 0), ImVec2(1, 1));
    divider_a = ImVec2(x, y0);
    divider_b = ImVec2(x, y0 + h);
  } else {
    float y = y0 + h * f;
    draw_list->AddImage(halves.first->imgui_id(), ImVec2(x0, y0), ImVec2(x0 + w, y), ImVec2(0, 0), ImVec2(1, f));
    draw_list->AddImage(halves.second->imgui_id(), ImVec2(x0, y), ImVec2(x0 + w, y0 + h), ImVec2(0, f), ImVec2(1, 1));
    divider_a = ImVec2(x0, y);
    divider_b = ImVec2(x0 + w, y);
  }

  // While a tool owns the image only a strip around the divider drags it.
  ImVec2 drag_min = image_min, drag_size = image_size;
  if (tool_active) {
    float strip = 10.0f * k;
    if (vertical) {
      drag_min = ImVec2(divider_a.x - strip / 2, y0);
      drag_size = ImVec2(strip, h);
    } else {
      drag_min = ImVec2(x0, divider_a.y - strip / 2);
      drag_size = ImVec2(w, strip);
    }
  }
  bool hot = false;
  if (drag_size.x >= 1.0f && drag_size.y >= 1.0f) {
    ImGui::SetCursorScreenPos(drag_min);
    ImGui::InvisibleButton("##splitdrag", drag_size);
    bool held = ImGui::IsItemActive();
    hot = held || ImGui::IsItemHovered();
    if (hot) ImGui::SetMouseCursor(vertical ? ImGuiMouseCursor_ResizeEW : ImGuiMouseCursor_ResizeNS);
    if (held) {
      ImVec2 mouse = ImGui::GetIO().MousePos;
      float moved = vertical ? (mouse.x - x0) / w : (mouse.y - y0) / h;
      ui.split_pos = std::clamp(moved, 0.0f, 1.0f);
    }
  }

  float thickness = (hot ? 2.5f : 1.5f) * k;
  ImU32 colour = hot ? IM_COL32(255, 220, 90, 255) : IM_COL32(255, 200, 0, 200);
  draw_list->AddLine(divider_a, divider_b, colour, thickness);

  // Each part's label keeps clear of the line.
  float u = thickness / 2 + k;
  if (vertical) {
    draw_pane_label(draw_list, halves.first_name, ImVec2(x0, y0), ImVec2(divider_a.x - u, y0 + h),
                    LabelAnchor::top_left, k);
    draw_pane_label(draw_list, halves.second_name, ImVec2(divider_a.x + u, y0), ImVec2(x0 + w, y0 + h),
                    LabelAnchor::top_right, k);
  } else {
    draw_pane_label(draw_list, halves.first_name, ImVec2(x0, y0), ImVec2(x0 + w, divider_a.y - u),
                    LabelAnchor::top_left, k);
    draw_pane_label(draw_list, halves.second_name, ImVec2(x0, divider_a.y + u), ImVec2(x0 + w, y0 + h),
                    LabelAnchor::bottom_left, k);
  }

  ImVec2 knob((divider_a.x + divider_b.x) / 2, (divider_a.y + divider_b.y) / 2);
  draw_list->AddCircleFilled(knob, (hot ? 8.0f : 6.0f) * k, colour);
  draw_list->AddCircleFilled(knob, (hot ? 4.0f : 3.0f) * k, IM_COL32(30, 30, 30, 220));
}
