#include "app/platform/window_system.h"

#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include "app/platform/desktop_window_sdl.h"

bool start_window_system(std::string& error) {
  // The clipboard, the display scale and the title bar's theme talk to X11; without
  // an X display there is no window rather than one on a device nobody sees.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_DEFAULT);
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0) return true;
  error = SDL_GetError();
  return false;
}

void stop_window_system() { SDL_Quit(); }

const char* graphics_device_failure() { return "Could not create an OpenGL 3.3 context."; }

void show_error_message(const char* caption, const char* text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}

void start_interface_backends(const DesktopWindow& window) {
  ImGui_ImplSDL2_InitForOpenGL(window.native().window, window.native().context);
  ImGui_ImplOpenGL3_Init("#version 330 core");
}

void stop_interface_backends() {
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
}

void begin_interface_frame() {
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
}

void release_font_texture() { ImGui_ImplOpenGL3_DestroyFontsTexture(); }

void create_font_texture() { ImGui_ImplOpenGL3_CreateFontsTexture(); }

void render_interface_frame(const DesktopWindow& window, const float clear_colour[3]) {
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(window.native().window, &width, &height);
  glViewport(0, 0, width, height);
  glClearColor(clear_colour[0], clear_colour[1], clear_colour[2], 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

namespace {

void add_window_event(const SDL_WindowEvent& event, std::vector<WindowEvent>& events) {
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE: events.push_back({WindowEventKind::close, {}}); break;
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_DISPLAY_CHANGED: events.push_back({WindowEventKind::moved, {}}); break;
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: events.push_back({WindowEventKind::resized, {}}); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: events.push_back({WindowEventKind::focus_lost, {}}); break;
    default: break;
  }
}

}  // namespace

bool poll_window_events(const DesktopWindow& window, std::vector<WindowEvent>& events) {
  bool polled = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    polled = true;
    ImGui_ImplSDL2_ProcessEvent(&event);
    switch (event.type) {
      case SDL_QUIT: events.push_back({WindowEventKind::quit, {}}); break;
      case SDL_DROPBEGIN: events.push_back({WindowEventKind::drop_begin, {}}); break;
      case SDL_DROPFILE:
        if (event.drop.file != nullptr) events.push_back({WindowEventKind::drop_file, event.drop.file});
        SDL_free(event.drop.file);
        break;
      case SDL_DROPCOMPLETE: events.push_back({WindowEventKind::drop_complete, {}}); break;
      case SDL_WINDOWEVENT:
        if (event.window.windowID == SDL_GetWindowID(window.native().window)) add_window_event(event.window, events);
        break;
      default: break;
    }
  }
  return polled;
}

bool mouse_button_held() { return SDL_GetMouseState(nullptr, nullptr) != 0; }

void wait_for_event(int timeout_ms) {
  // A null event leaves what arrived in the queue for the next poll.
  if (timeout_ms < 0)
    SDL_WaitEvent(nullptr);
  else
    SDL_WaitEventTimeout(nullptr, timeout_ms);
}

std::function<void()> make_wake() {
  Uint32 wake_event = SDL_RegisterEvents(1);
  return [wake_event] {
    SDL_Event event{};
    event.type = wake_event;
    SDL_PushEvent(&event);
  };
}
