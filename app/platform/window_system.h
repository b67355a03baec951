#pragma once
// The window system and the renderer under the interface library: start-up and
// shutdown, the event queue, waiting, and the start and end of each frame.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class DesktopWindow;

// False with `error` set when no window can be opened.
bool start_window_system(std::string& error);
void stop_window_system();
void show_error_message(const char* caption, const char* text);
// What the user is told when the window's graphics device cannot be made.
const char* graphics_device_failure();

// The interface library's platform and renderer backends for `window`.
void start_interface_backends(const DesktopWindow& window);
void stop_interface_backends();
void begin_interface_frame();
// The renderer's copy of the interface library's font atlas, remade when the fonts change.
void release_font_texture();
void create_font_texture();
// Clears the drawable to `clear_colour` (RGB) and draws the interface.
void render_interface_frame(const DesktopWindow& window, const float clear_colour[3]);

enum class WindowEventKind {
  quit,
  drop_begin,
  drop_file,      // `path` holds the file
  drop_complete,
  close,          // the window's close button
  moved,          // moved, or onto another display
  resized,        // resized, maximised or restored
  focus_lost,
};

struct WindowEvent {
  WindowEventKind kind;
  std::string path;
};

// Hands every queued event to the interface library and appends the ones the
// shell acts on to `events`; false when the queue was empty.
bool poll_window_events(const DesktopWindow& window, std::vector<WindowEvent>& events);

bool mouse_button_held();
// Waits for an event without taking it from the queue; a negative timeout waits without limit.
void wait_for_event(int timeout_ms);
// A function that ends wait_for_event from any thread.
std::function<void()> make_wake();
