#include "app/shell/sidebar_layout.h"

#include <algorithm>
#include <cmath>

#include "app/ui/ui_state.h"

SidebarLayout sidebar_layout(float available_w, float available_h, float frame_h, float spacing_x,
                             float spacing_y, float stored_sidebar_w, float scale) {
  SidebarLayout layout;
  layout.pane_h = available_h - (frame_h + spacing_y);
  layout.splitter_w = std::floor(6.0f * scale + 0.5f);
  // The image pane keeps at least 160 pixels; the sidebar at least its minimum.
  float widest = std::max(available_w - layout.splitter_w - 2 * spacing_x - 160.0f * scale,
                          kSidebarMinWidth * scale);
  layout.sidebar_w = std::min(widest, std::max(stored_sidebar_w * scale, kSidebarMinWidth * scale));
  layout.image_w = std::max(available_w - layout.sidebar_w - layout.splitter_w - 2 * spacing_x, 1.0f);
  return layout;
}

float dragged_sidebar_width(float drawn_sidebar_w, float mouse_dx, bool sidebar_right, float scale) {
  float moved = drawn_sidebar_w + (sidebar_right ? -mouse_dx : mouse_dx);
  return std::clamp(moved / scale, kSidebarMinWidth, kSidebarMaxWidth);
}
