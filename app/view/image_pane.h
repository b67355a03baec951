#pragma once
// The image pane: the chosen view of source, result, difference and reference,
// with zoom, pan, the split divider, the overlays and the pixel readout.
#include <imgui.h>

class Document;
struct UiState;
struct ViewTextures;

void draw_image_pane(Document& document, UiState& ui, ViewTextures& textures, ImVec2 size);

// The pane can draw only with a whole image and its texture.
bool image_loaded(const Document& document, const ViewTextures& textures);
