#pragma once
// Asks the window manager to draw the window's frame dark or light.
struct SDL_Window;

void set_window_frame_theme(SDL_Window* window, bool dark);
