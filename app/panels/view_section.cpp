// Sections "View" (view state only, except the difference gain) and "Compare".
#include <imgui.h>

#include <cstring>
#include <string>

#include "app/document/document.h"
#include "app/panels/row_layout.h"
#include "app/panels/sections.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/ui/frame_requests.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

const char* const kViewNames[kViewCount] = {"Quantized",  "Original",  "Side by side",     "Split",
                                            "Difference", "Reference", "Ours vs reference"};
const char* const kSideNames[kSplitSideCount] = {"original", "ours", "reference"};

void split_side(const char* label, SplitSide& side, bool compare) {
  ImGui::SetNextItemWidth(scaled(110.0f));
  if (ImGui::BeginCombo(label, translate(kSideNames[static_cast<int>(side)]))) {
    for (int i = 0; i < kSplitSideCount; ++i) {
      const SplitSide each = static_cast<SplitSide>(i);
      ImGui::BeginDisabled(each == SplitSide::reference && !compare);
      if (ImGui::Selectable(translate(kSideNames[i]), side == each)) side = each;
      ImGui::EndDisabled();
    }
    ImGui::EndCombo();
  }
  item_tooltip(translate("What each half of the Split view shows. Reference needs\n'Against another kestrane' on."));
}

// The reference program's path. At rest the field shows the path's end, where the
// program's name is; a click gives the whole path to edit, taken with Enter.
void reference_path_field(Document& document) {
  static char path[260];
  static std::string shown_path;
  static bool editing = false;
  static bool focus_pending = false;
  if (shown_path != document.compare_path()) {
    shown_path = document.compare_path();
    std::strncpy(path, shown_path.c_str(), sizeof path - 1);
    path[sizeof path - 1] = '\0';
  }
  const float width = scaled(190.0f);
  ImGui::SetNextItemWidth(width);
  if (!editing) {
    char tail[sizeof path];
    std::string fitted = tail_that_fits(shown_path, width - 2.0f * ImGui::GetStyle().FramePadding.x);
    std::strncpy(tail, fitted.c_str(), sizeof tail - 1);
    tail[sizeof tail - 1] = '\0';
    ImGui::InputText("##refpath", tail, sizeof tail, ImGuiInputTextFlags_ReadOnly);
    if (ImGui::IsItemActivated()) editing = focus_pending = true;
    if (!shown_path.empty()) item_tooltip(shown_path.c_str());
    return;
  }
  if (focus_pending) ImGui::SetKeyboardFocusHere();
  focus_pending = false;
  if (ImGui::InputText("##refpath_edit", path, sizeof path, ImGuiInputTextFlags_EnterReturnsTrue)) {
    document.set_compare(document.compare(), path);
    shown_path = document.compare_path();
  }
  if (ImGui::IsItemDeactivated()) editing = false;
}

}  // namespace

void view_section(PanelContext& context) {
  UiState& ui = context.ui;
  Document& document = context.document;
  for (int i = 0; i < kViewCount; ++i) {
    const View view = static_cast<View>(i);
    ImGui::BeginDisabled(view >= View::reference && !document.compare());
    if (ImGui::RadioButton(translate(kViewNames[i]), ui.view == view)) ui.view = view;
    ImGui::EndDisabled();
  }

  ImGui::BeginDisabled(ui.view != View::split);
  if (ImGui::RadioButton(translate("vertical"), ui.split_vertical)) ui.split_vertical = true;
  item_tooltip(translate("Which way the split divider runs."));
  ImGui::SameLine();
  if (ImGui::RadioButton(translate("horizontal"), !ui.split_vertical)) ui.split_vertical = false;
  item_tooltip(translate("Which way the split divider runs."));
  split_side(translate(ui.split_vertical ? "Left" : "Top"), ui.split_first, document.compare());
  split_side(translate(ui.split_vertical ? "Right" : "Bottom"), ui.split_second, document.compare());
  ImGui::SliderFloat(translate("Position"), &ui.split_pos, 0.0f, 1.0f, "%.2f");
  item_tooltip(translate("You can also drag the divider directly in the preview."));
  ImGui::EndDisabled();

  ImGui::BeginDisabled(ui.view != View::difference);
  if (ImGui::SliderInt(translate("Gain"), &ui.diff_gain, kDiffGainMinimum, kDiffGainMaximum, "%d")) document.set_diff_gain(ui.diff_gain);
  ImGui::EndDisabled();

  ImGui::Checkbox(translate("Checkerboard"), &ui.checkerboard);
  item_tooltip(translate("Draw checks behind the pictures, so that what is transparent\nshows as such. The Difference view is drawn without them."));
  ImGui::Checkbox(translate("Fit to window"), &ui.fit_to_window);
  item_tooltip(translate(kTipFitToWindow));
  ImGui::BeginDisabled(ui.fit_to_window);
  ImGui::SliderFloat(translate("Zoom"), &ui.zoom, kZoomMin, kZoomMax, "%.2fx", ImGuiSliderFlags_Logarithmic);
  ImGui::EndDisabled();
}

void compare_section(PanelContext& context) {
  Document& document = context.document;
  bool compare = document.compare();
  if (ImGui::Checkbox(translate("Against another kestrane"), &compare)) document.set_compare(compare, {});
  item_tooltip(translate("Runs the chosen binary on the same image with the same colours, speed and dithering, and reports both."));

  ImGui::BeginDisabled(!document.compare());
  if (ImGui::RadioButton(translate("external"), document.compare_source() == 1)) document.set_compare_source(1);
  ImGui::BeginDisabled(document.compare_source() != 1);
  reference_path_field(document);
  ImGui::SameLine();
  if (ImGui::Button(translate("Browse"))) context.requests.dialog = FileDialogPurpose::reference_program;
  ImGui::EndDisabled();
  ImGui::EndDisabled();
}
