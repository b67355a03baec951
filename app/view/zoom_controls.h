#pragma once
// The status line's zoom controls: Fit, zoom out, the scale list, zoom in.
struct UiState;

// Right-aligned on the current line; disabled while no image is loaded.
void draw_zoom_controls(UiState& ui, bool image_loaded);

// Fit the image to the pane again.
void fit_image(UiState& ui);
