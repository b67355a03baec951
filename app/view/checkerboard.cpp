#include "app/view/checkerboard.h"

#include <algorithm>
#include <cmath>

namespace {

const ImU32 kLightCheck = IM_COL32(153, 153, 153, 255);
const ImU32 kDarkCheck = IM_COL32(102, 102, 102, 255);

}  // namespace

void draw_checkerboard(ImDrawList* draw_list, ImVec2 min, ImVec2 max, float cell) {
  if (cell < 1.0f) cell = 1.0f;
  // Only the visible part: a picture zoomed far in must not cost a rectangle per
  // check it covers.
  ImVec2 clip_min = draw_list->GetClipRectMin();
  ImVec2 clip_max = draw_list->GetClipRectMax();
  ImVec2 from(std::max(min.x, clip_min.x), std::max(min.y, clip_min.y));
  ImVec2 to(std::min(max.x, clip_max.x), std::min(max.y, clip_max.y));
  if (from.x >= to.x || from.y >= to.y) return;
  draw_list->AddRectFilled(from, to, kLightCheck);
  const int first_column = static_cast<int>(std::floor((from.x - min.x) / cell));
  const int first_row = static_cast<int>(std::floor((from.y - min.y) / cell));
  for (int row = first_row;; ++row) {
    float top = min.y + row * cell;
    if (top >= to.y) break;
    for (int column = first_column + ((first_column + row) & 1 ? 1 : 0);; column += 2) {
      float left = min.x + column * cell;
      if (left >= to.x) break;
      draw_list->AddRectFilled(ImVec2(std::max(left, from.x), std::max(top, from.y)),
                               ImVec2(std::min(left + cell, to.x), std::min(top + cell, to.y)), kDarkCheck);
    }
  }
}
