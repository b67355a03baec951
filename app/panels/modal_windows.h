#pragma once
// The Options and About windows, opened from the Tools and Help menus.
struct PanelContext;

void options_window(PanelContext& context);
void about_window(PanelContext& context);
