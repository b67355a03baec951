#pragma once
// A small dark box with a name in a corner of an image pane.
#include <imgui.h>

enum class LabelAnchor { top_left, top_right, bottom_left };

// `part` is the rectangle the label belongs to; nothing is drawn where it lies
// outside the draw list's current clip rectangle.
void draw_pane_label(ImDrawList* draw_list, const char* text, ImVec2 part_min, ImVec2 part_max,
                     LabelAnchor anchor, float scale);
