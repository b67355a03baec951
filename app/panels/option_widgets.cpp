#include "app/panels/option_widgets.h"

#include <imgui.h>

#include <algorithm>

#include "app/panels/widgets.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"

bool option_slider(PanelContext& context, OptionId id, double maximum) {
  const OptionSpec& spec = option_spec(id);
  const OptionScale scale = spec.slider_scale;
  const double low = scale_minimum(spec, scale);
  const double high = std::min(scale_maximum(spec, scale), maximum);
  const double stored = option_value(context.options, spec);
  bool changed = false;
  if (spec.kind == OptionKind::real) {
    float shown = static_cast<float>(std::clamp(to_scale(scale, stored), low, high));
    changed = ImGui::SliderFloat(translate(spec.slider_text), &shown, static_cast<float>(low),
                                 static_cast<float>(high), spec.slider_format);
    edit_step_on_activation(context.document);
    if (changed) set_option_value(context.options, spec, from_scale(scale, shown));
  } else {
    int shown = static_cast<int>(std::clamp(stored, low, high));
    changed = ImGui::SliderInt(translate(spec.slider_text), &shown, static_cast<int>(low),
                               static_cast<int>(high), spec.slider_format);
    edit_step_on_activation(context.document);
    if (changed) set_option_value(context.options, spec, std::clamp<double>(shown, low, high));
  }
  if (changed) context.changed = true;
  return changed;
}
