#pragma once
// The checks drawn behind a picture so that its transparent pixels can be told
// from the pane behind it, as image editors show them.
#include <imgui.h>

// Fills the part of [min, max) inside the draw list's clip rectangle with checks
// of side `cell` screen pixels, anchored at `min` so they move with the picture.
void draw_checkerboard(ImDrawList* draw_list, ImVec2 min, ImVec2 max, float cell);
