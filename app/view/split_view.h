#pragma once
// The split view: two pictures of one image rectangle on either side of a
// divider the user drags.
#include <imgui.h>

struct UiState;
class Texture;

struct SplitHalves {
  const Texture* first;
  const Texture* second;
  const char* first_name;
  const char* second_name;
};

// `image_min` and `image_size`: the drawn image rectangle in screen pixels.
// `tool_active`: a painting tool or pin picking keeps the image for itself,
// leaving only a strip around the divider to drag.
void draw_split_view(ImDrawList* draw_list, UiState& ui, const SplitHalves& halves,
                     ImVec2 image_min, ImVec2 image_size, bool tool_active);
