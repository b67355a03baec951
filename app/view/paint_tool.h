#pragma once
// The painting brush and the pin picker over the drawn image.
#include <imgui.h>

class Document;
struct UiState;

// `at` and `drawn`: the image's rectangle on screen; `scale`: screen pixels per source pixel.
void paint_and_pick(Document& document, UiState& ui, ImVec2 at, ImVec2 drawn, float scale);
