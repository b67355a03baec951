// Section "Pinned colours": colours the palette must hold exactly.
#include <imgui.h>

#include <string>

#include "app/document/document.h"
#include "app/panels/row_layout.h"
#include "app/panels/sections.h"
#include "app/panels/tooltips.h"
#include "app/panels/widgets.h"
#include "app/ui/format_text.h"
#include "app/ui/frame_requests.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

void pin_swatches(Document& document) {
  const float side = scaled(18.0f);
  std::size_t clicked = document.pins().size();
  for (std::size_t i = 0; i < document.pins().size(); ++i) {
    const Rgba& pin = document.pins()[i];
    if (i > 0) ImGui::SameLine();
    // Identified by the pin's byte offset, as the pins are stored.
    std::string id = "##pin" + std::to_string(4 * i);
    ImVec4 colour(pin[0] / 255.0f, pin[1] / 255.0f, pin[2] / 255.0f, 1.0f);
    if (ImGui::ColorButton(id.c_str(), colour, ImGuiColorEditFlags_NoPicker | ImGuiColorEditFlags_NoTooltip |
                                                    ImGuiColorEditFlags_NoAlpha,
                           ImVec2(side, side)))
      clicked = i;
    if (ImGui::IsItemHovered())
      ImGui::SetTooltip(translate("%d, %d, %d - click to unpin"), pin[0], pin[1], pin[2]);
  }
  if (clicked < document.pins().size()) {
    document.push_edit_step();
    document.remove_pin(clicked);
    document.request_run();
  }
}

}  // namespace

void pins_section(PanelContext& context) {
  Document& document = context.document;
  UiState& ui = context.ui;
  use_flag_checkbox(document, translate("Use pins"), UseFlag::pins, translate(kTipUsePins));
  same_line_if_fits(checkbox_width(translate("Pick colour")));
  if (ImGui::Checkbox(translate("Pick colour"), &ui.picking) && ui.picking) ui.tool = Tool::none;
  item_tooltip(translate(kTipPickColour));

  if (document.pins().empty()) {
    ImGui::TextUnformatted(translate("(none)"));
  } else {
    pin_swatches(document);
    if (ImGui::Button(translate("Clear pins"))) {
      document.push_edit_step();
      document.clear_pins();
      document.request_run();
    }
    auto count = static_cast<unsigned>(document.pins().size());
    std::string slots = document.use(UseFlag::pins) ? format_text(translate("%u of %u slots"), count,
                                                        static_cast<unsigned>(document.options().colors))
                                          : format_text(translate("%u, not used"), count);
    same_line_if_fits(text_width(slots.c_str()));
    ImGui::TextUnformatted(slots.c_str());
  }

  if (ImGui::Button(translate("Load pins..."))) context.requests.dialog = FileDialogPurpose::load_pins;
  item_tooltip(translate(kTipLoadPins));
  same_line_if_fits(button_width(translate("Save pins...")));
  ImGui::BeginDisabled(document.pins().empty());
  if (ImGui::Button(translate("Save pins..."))) context.requests.dialog = FileDialogPurpose::save_pins;
  item_tooltip(translate("Write the pins as #RRGGBB lines."));
  ImGui::EndDisabled();
}
