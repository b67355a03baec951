#include "app/panels/palette_editor.h"

#include <imgui.h>

#include <algorithm>
#include <string>

#include "app/document/document.h"
#include "app/panels/palette_entry_edit.h"
#include "app/panels/widgets.h"
#include "app/ui/panel_context.h"
#include "app/ui/translate.h"
#include "app/ui/ui_state.h"

namespace {

constexpr const char* kPopup = "##paledit";

Rgba to_bytes(const WorkingColour& colour) {
  Rgba bytes;
  for (int c = 0; c < 4; ++c) bytes[c] = static_cast<std::uint8_t>(std::clamp(colour[c] * 255.0f + 0.5f, 0.0f, 255.0f));
  return bytes;
}

WorkingColour to_working(const Rgba& bytes) {
  return {bytes[0] / 255.0f, bytes[1] / 255.0f, bytes[2] / 255.0f, bytes[3] / 255.0f};
}

void place_at_remembered_position(const UiState& ui) {
  if (!ui.paledit_known) return;
  ImVec2 size = ImGui::GetMainViewport()->Size;
  if (ui.paledit_x > -64.0f && ui.paledit_y > -64.0f && ui.paledit_x < size.x - 64.0f && ui.paledit_y < size.y - 64.0f)
    ImGui::SetNextWindowPos(ImVec2(ui.paledit_x, ui.paledit_y));
}

}  // namespace

void open_palette_editor(Document& document, UiState& ui, int index) {
  PaletteEditorState& editor = ui.palette_editor;
  const QuantResult& result = document.result();
  if (index < 0 || static_cast<std::uint32_t>(index) >= result.palette_count) return;
  document.push_edit_step();
  const std::uint8_t* entry = &result.palette[static_cast<std::size_t>(index) * 4];
  editor.index = index;
  editor.original = {entry[0], entry[1], entry[2], entry[3]};
  editor.working = to_working(editor.original);
  editor.open_requested = true;
}

void palette_editor(PanelContext& context) {
  UiState& ui = context.ui;
  PaletteEditorState& editor = ui.palette_editor;
  Document& document = context.document;
  if (editor.open_requested) {
    editor.open_requested = false;
    ImGui::OpenPopup(kPopup);
  }
  if (editor.index >= 0 && static_cast<std::uint32_t>(editor.index) >= document.result().palette_count) {
    editor.index = -1;  // the entry is gone from the palette
  }
  // Only while the popup is open: a queued position left unused would move the
  // next window begun, the image pane.
  if (editor.index >= 0 && ImGui::IsPopupOpen(kPopup)) place_at_remembered_position(ui);
  if (editor.index < 0 || !ImGui::BeginPopup(kPopup)) {
    if (editor.index >= 0) {  // closed this frame: by a click outside or Escape
      remember_recent_colour(editor.recent, editor.working);
      editor.index = -1;
    }
    return;
  }
  ImVec2 at = ImGui::GetWindowPos();
  ui.paledit_x = at.x;
  ui.paledit_y = at.y;
  ui.paledit_known = true;

  ImGui::Text(translate("Palette entry %d"), editor.index);
  bool changed = ImGui::ColorPicker4("##palpick", editor.working.data(),
                                     ImGuiColorEditFlags_AlphaBar | ImGuiColorEditFlags_DisplayRGB |
                                         ImGuiColorEditFlags_DisplayHex);
  const float swatch = scaled(16.0f);
  for (std::size_t i = 0; i < editor.recent.size(); ++i) {
    if (i > 0) ImGui::SameLine();
    const WorkingColour& recent = editor.recent[i];
    std::string id = "##recent" + std::to_string(i);
    if (ImGui::ColorButton(id.c_str(), ImVec4(recent[0], recent[1], recent[2], recent[3]),
                           ImGuiColorEditFlags_AlphaPreview, ImVec2(swatch, swatch))) {
      editor.working = recent;
      changed = true;
    }
  }
  if (ImGui::Button(translate("Revert"))) {
    editor.working = to_working(editor.original);
    changed = true;
  }
  if (changed) {
    Rgba colour = to_bytes(editor.working);
    PaletteEntryChange change = change_palette_entry(document, editor.index, colour);
    ui.status = palette_entry_status(editor.index, colour, change);
  }
  if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false)) ImGui::CloseCurrentPopup();
  ImGui::EndPopup();
}
