#include "app/view/zoom_controls.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/ui/interface_scale.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"
#include "app/view/zoom.h"

void fit_image(UiState& ui) {
  ui.fit_to_window = true;
  ui.pan[0] = ui.pan[1] = 0.0f;
}

void draw_zoom_controls(UiState& ui, bool image_loaded) {
  const float k = effective_scale();
  const ImGuiStyle& style = ImGui::GetStyle();
  const char* fit_text = translate("Fit");
  float combo_w = 96.0f * k;
  float frame_h = ImGui::GetFrameHeight();
  float controls_w = 2 * style.FramePadding.x + ImGui::CalcTextSize(fit_text).x + combo_w +
                     2 * frame_h + 3 * style.ItemSpacing.x;
  float right = ImGui::GetWindowContentRegionMax().x;
  ImGui::SameLine(std::max(right - controls_w, ImGui::GetCursorPosX()));

  float scale = ui.fit_to_window ? ui.layout.scale : ui.zoom;
  ImGui::BeginDisabled(!image_loaded);
  if (ImGui::Button(fit_text)) fit_image(ui);
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip("%s", translate("Fit the image to the pane (F2)"));
  ImGui::SameLine();
  if (ImGui::ArrowButton("##zoom_out", ImGuiDir_Left)) {
    ui.zoom = next_zoom_out(scale);
    ui.fit_to_window = false;
  }
  ImGui::SameLine();
  ImGui::SetNextItemWidth(combo_w);
  char preview[32];
  std::snprintf(preview, sizeof preview, "%.0f%%", scale * 100.0f);
  if (ImGui::BeginCombo("##view_scale", preview)) {
    if (ImGui::Selectable(translate("Fit to window"), ui.fit_to_window)) fit_image(ui);
    for (float preset : kZoomPresets) {
      char label[32];
      std::snprintf(label, sizeof label, "%.0f%%", preset * 100.0f);
      bool selected = !ui.fit_to_window && std::fabs(ui.zoom - preset) < 0.0001f;
      if (ImGui::Selectable(label, selected)) {
        ui.zoom = preset;
        ui.fit_to_window = false;
      }
    }
    ImGui::EndCombo();
  }
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip("%s", translate("The scale the image is drawn at"));
  ImGui::SameLine();
  if (ImGui::ArrowButton("##zoom_in", ImGuiDir_Right)) {
    ui.zoom = next_zoom_in(scale);
    ui.fit_to_window = false;
  }
  ImGui::EndDisabled();
}
