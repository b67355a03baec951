#include <gtest/gtest.h>

#include <string>

#include "app/shell/commands.h"

namespace {

bool overlap(Modifier a, Modifier b) { return a == Modifier::either || b == Modifier::either || a == b; }

bool same_key(const Chord& a, const Chord& b) {
  return a.character != 0 ? a.character == b.character : b.character == 0 && a.key == b.key;
}

constexpr CommandId kAll[] = {CommandId::open,     CommandId::save,        CommandId::undo,
                              CommandId::redo,     CommandId::copy_image,  CommandId::copy_path,
                              CommandId::fit,      CommandId::actual_size, CommandId::zoom_in,
                              CommandId::zoom_out, CommandId::reset_zoom};

}  // namespace

// The menus show what the keys do, and no key press runs two commands.
TEST(Commands, MenusShowTheShortcutsAndNoChordRunsTwoCommands) {
  EXPECT_EQ(shortcut_text(command(CommandId::open)), "Ctrl+O");
  EXPECT_EQ(shortcut_text(command(CommandId::redo)), "Ctrl+Y");
  EXPECT_EQ(shortcut_text(command(CommandId::copy_image)), "Ctrl+C");
  EXPECT_EQ(shortcut_text(command(CommandId::copy_path)), "Ctrl+Shift+C");
  EXPECT_EQ(shortcut_text(command(CommandId::zoom_in)), "Ctrl++");
  EXPECT_EQ(shortcut_text(command(CommandId::zoom_out)), "Ctrl+-");
  EXPECT_EQ(shortcut_text(command(CommandId::reset_zoom)), "Ctrl+Shift+0");

  for (CommandId a : kAll) {
    EXPECT_EQ(command(a).id, a);
    for (CommandId b : kAll) {
      if (a >= b) continue;
      for (int i = 0; i < command(a).chord_count; ++i)
        for (int j = 0; j < command(b).chord_count; ++j) {
          const Chord& x = command(a).chords[i];
          const Chord& y = command(b).chords[j];
          EXPECT_FALSE(same_key(x, y) && overlap(x.ctrl, y.ctrl) && overlap(x.shift, y.shift))
              << shortcut_text(command(a)) << " and " << shortcut_text(command(b));
        }
    }
  }
}
