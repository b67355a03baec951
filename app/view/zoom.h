#pragma once
// Image scales: the presets, stepping between them, and the wheel.
#include <array>

#include "app/ui/ui_state.h"

inline constexpr float kWheelStep = 1.15f;  // scale factor per wheel notch
inline constexpr std::array<float, 14> kZoomPresets = {
    0.05f, 0.1f, 0.25f, 0.33f, 0.5f, 0.67f, 1.0f, 1.5f, 2.0f, 4.0f, 8.0f, 16.0f, 32.0f, 64.0f};
static_assert(kZoomPresets.front() == kZoomMin && kZoomPresets.back() == kZoomMax,
              "the presets span the zoom range");

// The next preset above (scale + 0.0001), or the largest; below, or the smallest.
float next_zoom_in(float scale);
float next_zoom_out(float scale);

// The scale that fits `panes` copies of the image side by side, `spacing` apart, in
// the available area; 1 when that is not positive.
float fitted_scale(float available_w, float available_h, float image_w, float image_h, int panes,
                   float spacing);

// Wheel zoom by `notches` keeping the image point under `mouse` in place; `offset`
// is the mouse relative to the pane's content origin. Updates scale and pan.
struct WheelZoom {
  float scale;
  float pan_x;
  float pan_y;
};
WheelZoom wheel_zoom(float scale, float pan_x, float pan_y, float offset_x, float offset_y,
                     float notches);
