#include "app/shell/commands.h"

#include <imgui.h>

#include "app/document/document.h"
#include "app/shell/menu_driver.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/edit_actions.h"
#include "app/ui/frame_requests.h"
#include "app/ui/interface_scale.h"
#include "app/ui/panel_context.h"
#include "app/ui/ui_state.h"
#include "app/view/zoom_controls.h"

namespace {

constexpr Chord ctrl(char character, Modifier shift = Modifier::up) {
  return {Modifier::down, shift, character, Key::escape};
}
constexpr Chord ctrl_key(Key key) { return {Modifier::down, Modifier::either, 0, key}; }

void interface_zoom(PanelContext& context, float zoom) { context.ui.status = set_ui_zoom(zoom); }

bool has_result(PanelContext& context) { return context.document.result().ok; }

constexpr Command kCommands[] = {
    {CommandId::open, "&Open...", {ctrl('O', Modifier::either)}, 1, true, false, nullptr,
     [](PanelContext& c) { c.requests.dialog = FileDialogPurpose::open_image; }},
    {CommandId::save, "&Save quantized as...", {ctrl('S', Modifier::either)}, 1, true, false, has_result,
     [](PanelContext& c) { c.requests.dialog = FileDialogPurpose::save_image; }},
    {CommandId::undo, "&Undo", {ctrl('Z')}, 1, false, false, [](PanelContext& c) { return c.document.can_undo(); },
     undo_edit},
    {CommandId::redo, "&Redo", {ctrl('Y', Modifier::either), ctrl('Z', Modifier::down)}, 2, false, false,
     [](PanelContext& c) { return c.document.can_redo(); }, redo_edit},
    {CommandId::copy_image, "&Copy quantized image", {ctrl('C')}, 1, false, true, has_result,
     [](PanelContext& c) { c.ui.status = copy_quantized_image(c.document); }},
    {CommandId::copy_path, "Copy image &path", {ctrl('C', Modifier::down)}, 1, false, true,
     [](PanelContext& c) { return !c.document.path().empty(); },
     [](PanelContext& c) { c.ui.status = copy_image_path(c.document); }},
    {CommandId::fit, nullptr, {Chord{Modifier::either, Modifier::either, 0, Key::f2}}, 1, true, false, nullptr,
     [](PanelContext& c) { fit_image(c.ui); }},
    {CommandId::actual_size, nullptr, {ctrl('0')}, 1, false, false, nullptr,
     [](PanelContext& c) {
       c.ui.fit_to_window = false;
       c.ui.zoom = 1.0f;
       c.ui.pan[0] = c.ui.pan[1] = 0.0f;
     }},
    {CommandId::zoom_in, "Zoom &in", {ctrl_key(Key::equals), ctrl_key(Key::keypad_plus)}, 2, false, false, nullptr,
     [](PanelContext& c) { interface_zoom(c, next_ui_zoom_in(interface_scale().ui_zoom)); }},
    {CommandId::zoom_out, "Zoom &out", {ctrl_key(Key::minus), ctrl_key(Key::keypad_minus)}, 2, false, false, nullptr,
     [](PanelContext& c) { interface_zoom(c, next_ui_zoom_out(interface_scale().ui_zoom)); }},
    {CommandId::reset_zoom, "&Reset zoom", {ctrl('0', Modifier::down)}, 1, false, false, nullptr,
     [](PanelContext& c) { interface_zoom(c, 1.0f); }},
};

constexpr bool in_order() {
  for (std::size_t i = 0; i < std::size(kCommands); ++i)
    if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
  return true;
}
static_assert(in_order(), "the table lists the commands in the order of CommandId");

int chord_key_index(const Chord& chord) {
  if (chord.character >= 'A' && chord.character <= 'Z') return letter_key_index(chord.character);
  if (chord.character >= '0' && chord.character <= '9') return digit_key_index(chord.character);
  return key_index(chord.key);
}

bool modifier_matches(Modifier wanted, bool held) {
  return wanted == Modifier::either || (wanted == Modifier::down) == held;
}

bool chord_pressed(const Chord& chord) {
  const ImGuiIO& io = ImGui::GetIO();
  return modifier_matches(chord.ctrl, io.KeyCtrl) && modifier_matches(chord.shift, io.KeyShift) &&
         ImGui::IsKeyPressed(chord_key_index(chord), false);
}

const char* key_text(Key key) {
  switch (key) {
    case Key::equals: return "+";  // Ctrl++: the key's shifted meaning
    case Key::minus: return "-";
    case Key::f2: return "F2";
    default: return "";
  }
}

bool enabled(const Command& command, PanelContext& context) {
  return command.enabled == nullptr || command.enabled(context);
}

}  // namespace

const Command& command(CommandId id) { return kCommands[static_cast<std::size_t>(id)]; }

std::string shortcut_text(const Command& command) {
  if (command.chord_count == 0) return {};
  const Chord& chord = command.chords[0];
  std::string text;
  if (chord.ctrl == Modifier::down) text += "Ctrl+";
  if (chord.shift == Modifier::down) text += "Shift+";
  if (chord.character != 0)
    text += chord.character;
  else
    text += key_text(chord.key);
  return text;
}

bool command_item(MenuDriver& menus, PanelContext& context, CommandId id) {
  const Command& entry = command(id);
  std::string shortcut = shortcut_text(entry);
  if (!menus.item(entry.label, shortcut.empty() ? nullptr : shortcut.c_str(), false, enabled(entry, context)))
    return false;
  entry.action(context);
  return true;
}

void dispatch_shortcuts(PanelContext& context) {
  const bool typing = ImGui::GetIO().WantTextInput;
  for (const Command& entry : kCommands) {
    if (typing && !entry.while_typing) continue;
    bool pressed = false;
    for (int i = 0; i < entry.chord_count; ++i) pressed = pressed || chord_pressed(entry.chords[i]);
    if (!pressed) continue;
    if (!entry.answers_when_disabled && !enabled(entry, context)) continue;
    entry.action(context);
  }
}
