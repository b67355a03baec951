#include "app/view/zoom.h"

#include <algorithm>
#include <cmath>

float next_zoom_in(float scale) {
  for (float preset : kZoomPresets)
    if (preset > scale + 0.0001f) return preset;
  return kZoomMax;
}

float next_zoom_out(float scale) {
  for (auto it = kZoomPresets.rbegin(); it != kZoomPresets.rend(); ++it)
    if (*it < scale - 0.0001f) return *it;
  return kZoomMin;
}

float fitted_scale(float available_w, float available_h, float image_w, float image_h, int panes,
                   float spacing) {
  float s = std::min(available_h / image_h, available_w / (image_w * panes + (panes - 1) * spacing));
  return s > 0.0f ? s : 1.0f;
}

WheelZoom wheel_zoom(float scale, float pan_x, float pan_y, float offset_x, float offset_y,
                     float notches) {
  float changed = std::clamp(scale * std::pow(kWheelStep, notches), kZoomMin, kZoomMax);
  return {changed, offset_x - (offset_x - pan_x) * changed / scale,
          offset_y - (offset_y - pan_y) * changed / scale};
}
