#include "app/ui/interface_scale.h"

InterfaceScale& interface_scale() {
  static InterfaceScale scale;
  return scale;
}

#include <algorithm>

#include "app/ui/format_text.h"
#include "app/ui/translate.h"

namespace {
constexpr float kUiZoomSteps[] = {0.7f, 0.8f, 0.9f, 1.0f, 1.1f, 1.25f, 1.5f, 1.75f, 2.0f, 2.5f};
}

float next_ui_zoom_in(float zoom) {
  for (float step : kUiZoomSteps)
    if (step > zoom + 0.0001f) return step;
  return kUiZoomSteps[std::size(kUiZoomSteps) - 1];
}

float next_ui_zoom_out(float zoom) {
  for (std::size_t i = std::size(kUiZoomSteps); i-- > 0;)
    if (kUiZoomSteps[i] < zoom - 0.0001f) return kUiZoomSteps[i];
  return kUiZoomSteps[0];
}

std::string set_ui_zoom(float zoom) {
  InterfaceScale& scale = interface_scale();
  scale.ui_zoom = std::clamp(zoom, kUiZoomSteps[0], kUiZoomSteps[std::size(kUiZoomSteps) - 1]);
  scale.recompute();
  return format_text(translate("Interface at %.0f%%"), scale.ui_zoom * 100.0);
}
