#pragma once
// Asks the window manager to draw the window's frame dark or light.
class DesktopWindow;

void set_window_frame_theme(const DesktopWindow& window, bool dark);
