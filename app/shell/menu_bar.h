#pragma once
// The menu bar, its keyboard access and the global shortcuts.
struct PanelContext;
struct UiState;

// Before the menus: the shortcuts that act anywhere in the window.
void global_shortcuts(PanelContext& context);
// The menu bar of the root window, with the Alt-key mode.
void menu_bar(PanelContext& context);
// Before the interface library's new frame: a key that opened a menu stays
// unseen until it is released.
void hold_back_consumed_key(UiState& ui);
// After the frame: the interface library's keyboard navigation only while a popup is open.
void update_keyboard_navigation();
