#include "app/view/pane_label.h"

#include <algorithm>
#include <cmath>

void draw_pane_label(ImDrawList* draw_list, const char* text, ImVec2 part_min, ImVec2 part_max,
                     LabelAnchor anchor, float scale) {
  ImVec2 clip_min = draw_list->GetClipRectMin();
  ImVec2 clip_max = draw_list->GetClipRectMax();
  ImVec2 low(std::max(part_min.x, clip_min.x), std::max(part_min.y, clip_min.y));
  ImVec2 high(std::min(part_max.x, clip_max.x), std::min(part_max.y, clip_max.y));
  if (low.x >= high.x || low.y >= high.y) return;

  float margin = std::floor(6.0f * scale);
  float inset_x = std::floor(4.0f * scale);
  float inset_y = std::floor(3.0f * scale);
  ImVec2 size = ImGui::CalcTextSize(text);
  ImVec2 at;
  switch (anchor) {
    case LabelAnchor::top_left: at = ImVec2(low.x + margin + inset_x, low.y + margin + inset_y); break;
    case LabelAnchor::top_right:
      at = ImVec2(high.x - size.x - margin - inset_x, low.y + margin + inset_y);
      break;
    case LabelAnchor::bottom_left:
      at = ImVec2(low.x + margin + inset_x, high.y - size.y - margin - inset_y);
      break;
  }
  at = ImVec2(std::floor(at.x), std::floor(at.y));
  draw_list->PushClipRect(low, high, true);
  draw_list->AddRectFilled(ImVec2(at.x - inset_x, at.y - inset_y),
                           ImVec2(at.x + std::ceil(size.x) + inset_x, at.y + std::ceil(size.y) + inset_y),
                           IM_COL32(0, 0, 0, 170), 3.0f);
  draw_list->AddText(at, IM_COL32(255, 255, 255, 235), text);
  draw_list->PopClipRect();
}
