#include "app/panels/sidebar.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <string>

#include "app/document/document.h"
#include "app/panels/section_table.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"
#include "engine/option_table.h"

void draw_sidebar_sections(PanelContext& context) {
  UiState& ui = context.ui;
  if (ui.settings_scroll >= 0.0f) ImGui::SetScrollY(ui.settings_scroll);
  context.options = context.document.options();
  context.changed = false;
  // Widgets leave room for the longest of their labels on the right.
  float label_w = 0.0f;
  for (const OptionSpec& spec : option_table())
    if (spec.slider_text) label_w = std::max(label_w, ImGui::CalcTextSize(translate(spec.slider_text)).x);
  ImGui::PushItemWidth(-(label_w + ImGui::GetStyle().ItemInnerSpacing.x));
  for (const SectionSpec& section : section_table()) {
    const std::size_t i = section_index(section.id);
    std::string label = std::string(translate(section.title)) + "##sec" + std::to_string(i);
    ImGui::SetNextItemOpen(ui.sections[i]);
    ui.sections[i] = ImGui::CollapsingHeader(label.c_str());
    if (ui.sections[i]) section.body(context);
    ImGui::Separator();
  }
  ImGui::PopItemWidth();
  // Every row should fit the width: a row reaching past the edge is cut off.
  const float right_edge = ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x;
  ui.layout.sidebar_overflow = std::max(ImGui::GetCurrentWindow()->DC.CursorMaxPos.x - right_edge, 0.0f);
  if (context.changed) context.document.set_options(context.options);
}
