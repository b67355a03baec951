// Section "Palette": the result's colours as a grid, the entry editor, and the
// palette files and clipboard.
#include <imgui.h>

#include <cmath>
#include <string>

#include "app/document/document.h"
#include "app/panels/palette_editor.h"
#include "app/panels/palette_grid.h"
#include "app/panels/row_layout.h"
#include "app/panels/sections.h"
#include "app/panels/widgets.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/format_text.h"
#include "app/ui/frame_requests.h"
#include "app/ui/palette_actions.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

Rgba result_entry(const QuantResult& result, std::uint32_t index) {
  const std::uint8_t* at = &result.palette[std::size_t{index} * 4];
  return {at[0], at[1], at[2], at[3]};
}

void entry_tooltip(const Document& document, std::uint32_t index, bool fixed) {
  Rgba colour = result_entry(document.result(), index);
  std::string alpha = colour[3] != 255 ? format_text(", a%u", colour[3]) : std::string();
  if (fixed)
    ImGui::SetTooltip(translate("%d: %u, %u, %u%s - fixed (%s)\ndouble-click to change it, right-click to remove it"),
                      static_cast<int>(index), colour[0], colour[1], colour[2], alpha.c_str(),
                      translate(loaded_palette_mode(document) ? "loaded palette" : "pin"));
  else
    ImGui::SetTooltip(translate("%d: %u, %u, %u%s\ndouble-click to change it - the palette then becomes a fixed one"),
                      static_cast<int>(index), colour[0], colour[1], colour[2], alpha.c_str());
}

void remove_fixed_entry(Document& document, std::uint32_t index) {
  document.push_edit_step();
  if (loaded_palette_mode(document))
    document.remove_palette_entry(index);
  else
    document.remove_pin(index);
  document.request_run();
}

void grid(PanelContext& context) {
  Document& document = context.document;
  UiState& ui = context.ui;
  const QuantResult& result = document.result();
  const float scale = scaled(1.0f);
  PaletteGrid layout = palette_grid(result.palette_count, ImGui::GetContentRegionAvail().x, scale);
  const std::uint32_t fixed = fixed_entry_count(document);
  ImVec2 origin = ImGui::GetCursorScreenPos();
  ImGui::InvisibleButton("##palgrid", ImVec2(ImGui::GetContentRegionAvail().x, layout.height),
                         ImGuiButtonFlags_MouseButtonLeft | ImGuiButtonFlags_MouseButtonRight);
  const bool hovered = ImGui::IsItemHovered();
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const float side = layout.cell - 1.0f;
  const float hover_frame = std::max(std::floor(2.0f * scale), 1.0f);
  for (std::uint32_t m = 0; m < result.palette_count; ++m) {
    ImVec2 min(origin.x + (m % layout.columns) * layout.cell, origin.y + (m / layout.columns) * layout.cell);
    ImVec2 max(min.x + side, min.y + side);
    Rgba colour = result_entry(result, m);
    draw->AddRectFilled(min, max, IM_COL32(colour[0], colour[1], colour[2], 255));
    if (m < fixed) {
      draw->AddRect(min, max, IM_COL32(0, 0, 0, 255));
      draw->AddRect(ImVec2(min.x + 1, min.y + 1), ImVec2(max.x - 1, max.y - 1), IM_COL32(255, 255, 255, 240));
    }
    if (static_cast<int>(m) == ui.hovered_palette_index) {
      draw->AddRect(ImVec2(min.x - 1, min.y - 1), ImVec2(max.x + 1, max.y + 1), IM_COL32(0, 0, 0, 255), 0.0f, 0,
                    hover_frame);
      draw->AddRect(min, max, IM_COL32(255, 214, 64, 255));
    }
  }
  if (!hovered) return;
  ImVec2 mouse = ImGui::GetIO().MousePos;
  int column = static_cast<int>((mouse.x - origin.x) / layout.cell);
  int row = static_cast<int>((mouse.y - origin.y) / layout.cell);
  if (mouse.x < origin.x || mouse.y < origin.y || column >= layout.columns) return;
  std::uint32_t index = static_cast<std::uint32_t>(row * layout.columns + column);
  if (index >= result.palette_count) return;
  entry_tooltip(document, index, index < fixed);
  if (index < fixed && ImGui::IsMouseClicked(ImGuiMouseButton_Right)) remove_fixed_entry(document, index);
  if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) open_palette_editor(document, ui, static_cast<int>(index));
}

void palette_buttons(PanelContext& context) {
  Document& document = context.document;
  UiState& ui = context.ui;
  if (ImGui::Button(translate("Load palette..."))) context.requests.dialog = FileDialogPurpose::load_palette;
  item_tooltip(translate("Remap the image to exactly the palette in a file, in the\nfile's order, with Colours set to "
                         "its count. The pins are\ncleared; a loaded palette and pins are different tools.\nText "
                         "(#RRGGBB, r,g,b, JASC .pal, GIMP .gpl) or a palette PNG.\nUndo restores the previous pins, "
                         "palette and count."));
  if (!document.palette().empty()) {
    same_line_if_fits(button_width(translate("Clear palette")));
    if (ImGui::Button(translate("Clear palette"))) {
      document.push_edit_step();
      document.clear_palette();
      document.request_run();
    }
  }
  same_line_if_fits(button_width(translate("Save palette...")));
  if (ImGui::Button(translate("Save palette..."))) context.requests.dialog = FileDialogPurpose::save_palette;
  item_tooltip(translate("Write this palette, in order, as #RRGGBB lines, or as\nJASC .pal or GIMP .gpl by extension."));

  if (ImGui::Button(translate("Copy palette"))) ui.status = copy_palette(document);
  item_tooltip(translate("Put this palette on the clipboard as #RRGGBB lines,\nthe same text Save palette... writes."));
  same_line_if_fits(button_width(translate("Paste palette")));
  ImGui::BeginDisabled(!clipboard_has_text());
  if (ImGui::Button(translate("Paste palette"))) ui.status = paste_palette(document);
  ImGui::EndDisabled();
  if (ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
    ImGui::SetTooltip("%s", translate("Remap the image to exactly the palette on the clipboard,\nas Load palette... does "
                                      "with a file: any of the text forms\nit reads, one colour per line. Greyed out "
                                      "while the\nclipboard holds no text. Undo restores what was here."));

  if (document.palette().empty()) return;
  use_flag_checkbox(document, translate("Use palette"), UseFlag::palette,
                    translate("Remap to the loaded palette. Off quantizes freely again\n(with the pins, if any) but "
                              "keeps the palette loaded."));
  auto count = static_cast<unsigned>(document.palette().size());
  std::string source;
  if (document.palette_kind() == kPaletteFile)
    source = format_text(translate("%u colours from %s"), count, file_name_of(document.palette_name()));
  else if (document.palette_kind() == kPaletteEdited)
    source = format_text(translate("%u colours, edited"), count);
  else
    source = format_text(translate("%u colours, pasted"), count);
  same_line_if_fits(text_width(source.c_str()));
  ImGui::TextUnformatted(source.c_str());
}

}  // namespace

void palette_section(PanelContext& context) {
  const QuantResult& result = context.document.result();
  if (!result.ok || result.palette_count == 0) {
    ImGui::TextUnformatted(translate("(none)"));
    context.ui.palette_editor.index = -1;
    return;
  }
  grid(context);
  palette_buttons(context);
  palette_editor(context);
}
