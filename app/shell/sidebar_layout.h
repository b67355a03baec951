#pragma once
// How the root window's content splits into sidebar, splitter and image pane.
struct SidebarLayout {
  float pane_h;      // height of the sidebar, splitter and image pane
  float splitter_w;
  float sidebar_w;
  float image_w;
};

// All lengths in screen pixels except `stored_sidebar_w`, which is unscaled;
// `scale` is the effective scale.
SidebarLayout sidebar_layout(float available_w, float available_h, float frame_h, float spacing_x,
                             float spacing_y, float stored_sidebar_w, float scale);

// The stored width after dragging the splitter by `mouse_dx` screen pixels.
float dragged_sidebar_width(float drawn_sidebar_w, float mouse_dx, bool sidebar_right, float scale);
