// Section "Quantizer": colour count, speed, dithering and the palette controls.
#include <imgui.h>

#include <algorithm>
#include <string>

#include "app/document/document.h"
#include "app/panels/option_widgets.h"
#include "app/panels/row_layout.h"
#include "app/panels/sections.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "engine/dither_kind.h"

namespace {

constexpr int kColourPresets[] = {2, 4, 8, 16, 32, 64, 128, 256};

void set_colour_count(PanelContext& context, int count) {
  const OptionSpec& spec = option_spec(OptionId::colors);
  set_option_value(context.options, spec, std::clamp<double>(count, spec.minimum, spec.maximum));
  context.changed = true;
}

void colour_count(PanelContext& context) {
  const OptionSpec& spec = option_spec(OptionId::colors);
  int colours = static_cast<int>(context.options.colors);
  ImGui::SetNextItemWidth(scaled(130.0f));
  // Typed text counts once Enter is pressed; the step buttons apply at once.
  if (ImGui::InputInt(translate("Colours"), &colours, 1, 16, ImGuiInputTextFlags_EnterReturnsTrue)) {
    context.document.push_edit_step();
    set_colour_count(context, colours);
  }
  item_tooltip(translate("Type a value and press Enter, or drag the slider below.\n2 to 256."));

  colours = static_cast<int>(context.options.colors);
  if (ImGui::SliderInt("##colourslider", &colours, static_cast<int>(spec.minimum),
                       static_cast<int>(spec.maximum), "%d"))
    set_colour_count(context, colours);
  edit_step_on_activation(context.document);
  item_tooltip(translate("Ctrl+click to type into the slider as well."));

  for (std::size_t i = 0; i < std::size(kColourPresets); ++i) {
    if (i > 0) ImGui::SameLine(0.0f, 3.0f);
    int preset = kColourPresets[i];
    bool current = static_cast<int>(context.options.colors) == preset;
    if (current) ImGui::PushStyleColor(ImGuiCol_Button, ImGui::GetStyleColorVec4(ImGuiCol_ButtonActive));
    if (ImGui::Button(std::to_string(preset).c_str())) {
      context.document.push_edit_step();
      set_colour_count(context, preset);
    }
    if (current) ImGui::PopStyleColor();
  }
}

void dithering_choice(PanelContext& context) {
  const OptionSpec& spec = option_spec(OptionId::dither);
  int dither = std::clamp(context.options.dither, static_cast<std::int32_t>(kDitherNone),
                          static_cast<std::int32_t>(kDitherMixingPlan));
  // The row's width less the label's, so the longest choice is not cut short.
  const char* label = translate(spec.slider_text);
  float width = ImGui::GetContentRegionAvail().x - text_width(label) - ImGui::GetStyle().ItemInnerSpacing.x;
  ImGui::SetNextItemWidth(std::clamp(width, scaled(120.0f), scaled(260.0f)));
  if (ImGui::BeginCombo(label, translate(spec.choices[dither].label))) {
    for (int i = 0; i < static_cast<int>(spec.choices.size()); ++i) {
      if (ImGui::Selectable(translate(spec.choices[i].label), i == dither)) {
        context.document.push_edit_step();
        context.options.dither = i;
        context.options.dither_strength =
            std::min(context.options.dither_strength, dither_strength_limit(i));
        context.changed = true;
      }
    }
    ImGui::EndCombo();
  }
  item_tooltip(translate(kTipDithering));
}

void dithering_controls(PanelContext& context) {
  const std::int32_t dither = context.options.dither;
  ImGui::BeginDisabled(dither == kDitherNone);
  option_slider(context, OptionId::dither_strength, dither_strength_limit(dither));
  item_tooltip(translate(kTipStrength));
  option_slider(context, OptionId::dither_floor);
  item_tooltip(translate(kTipTextureFloor));
  ImGui::BeginDisabled(dither != kDitherMixingPlan);
  // The spread is the plan's; moving it also settles the plan on three colours.
  if (option_slider(context, OptionId::plan_restraint)) context.options.plan_colors = 3;
  item_tooltip(translate(kTipDitherSpread));
  ImGui::EndDisabled();
  ImGui::BeginDisabled(dither != kDitherFloydSteinberg);
  option_slider(context, OptionId::dither_damper);
  item_tooltip(translate(kTipDamper));
  ImGui::EndDisabled();
  ImGui::EndDisabled();
}

// The fewest colours, up to the count above, that reach the upper end; a run
// that cannot reach the lower end is refused. The ends never cross.
void quality_target(PanelContext& context) {
  QuantizerOptions& options = context.options;
  bool on = options.quality_target != 0;
  if (ImGui::Checkbox(translate(option_spec(OptionId::quality_target).slider_text), &on)) {
    options.quality_target = on ? 1 : 0;
    context.changed = true;
  }
  edit_step_on_activation(context.document);
  item_tooltip(translate(kTipQualityTarget));
  // The ends appear with the target, so the section stays short without it.
  if (!on) return;
  if (option_slider(context, OptionId::quality_max))
    options.quality_min = std::min(options.quality_min, options.quality_max);
  item_tooltip(translate(kTipQualityAim));
  if (option_slider(context, OptionId::quality_min))
    options.quality_max = std::max(options.quality_max, options.quality_min);
  item_tooltip(translate(kTipQualityRefuse));
}

}  // namespace

void quantizer_section(PanelContext& context) {
  colour_count(context);
  option_slider(context, OptionId::speed);
  ImGui::SameLine();
  ImGui::TextDisabled("(?)");
  item_tooltip(translate("1 = slow, best quality\n10 = fast, rough"));
  dithering_choice(context);
  dithering_controls(context);
  option_slider(context, OptionId::chroma_weight);
  item_tooltip_value(translate(kTipVividness), context.options.chroma_weight);
  option_slider(context, OptionId::max_error_pow);
  item_tooltip_value(translate(kTipFairness), 0.0);
  option_slider(context, OptionId::sum_pow);
  item_tooltip_value(translate(kTipSubjectShare), context.options.sum_pow);
  quality_target(context);
}
