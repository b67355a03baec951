#pragma once
// The commands of the menus and the keyboard as one table: each has its menu
// label, its shortcut, when it is enabled and what it does. The menus draw from
// it and the shortcuts are dispatched from it, so a shortcut is written once.
#include <array>
#include <string>

#include "app/platform/key_codes.h"

struct PanelContext;
class MenuDriver;

enum class CommandId {
  open,
  save,
  undo,
  redo,
  copy_image,
  copy_path,
  fit,
  actual_size,
  zoom_in,
  zoom_out,
  reset_zoom,
};

enum class Modifier { up, down, either };  // the state a chord wants of Ctrl or Shift

// One key with its modifiers: a letter or digit of the main rows, or a named key.
struct Chord {
  Modifier ctrl = Modifier::either;
  Modifier shift = Modifier::either;
  char character = 0;  // 'A'..'Z', '0'..'9'; 0 when `key` names it
  Key key = Key::escape;
};

struct Command {
  CommandId id;
  const char* label;  // with its mnemonic; null for a command the menus do not show
  std::array<Chord, 2> chords;  // the first is the one a menu shows
  int chord_count;
  bool while_typing;   // also while a text field has the keyboard
  // The shortcut still answers while the menu item is greyed out, so the status
  // line can say why nothing happened.
  bool answers_when_disabled;
  bool (*enabled)(PanelContext&);  // null: always
  void (*action)(PanelContext&);
};

const Command& command(CommandId id);
// "Ctrl+Shift+C", as a menu shows the first chord.
std::string shortcut_text(const Command& command);
// A menu item for `id`; true when it was chosen and has run.
bool command_item(MenuDriver& menus, PanelContext& context, CommandId id);
// Runs every command whose shortcut was pressed in this frame.
void dispatch_shortcuts(PanelContext& context);
