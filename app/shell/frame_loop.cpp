#include <SDL.h>
#include <SDL_opengl.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/platform/display_scale.h"
#include "app/shell/desktop_session.h"
#include "app/shell/fonts_and_style.h"
#include "app/shell/interface_scale.h"
#include "app/shell/open_image.h"
#include "app/shell/dialog_results.h"
#include "app/shell/language.h"
#include "app/shell/menu_bar.h"
#include "app/shell/root_window.h"
#include "app/view/overlays.h"
#include "app/testing/bitmap_file.h"

namespace {

constexpr int kFramesAfterActivity = 3;
constexpr int kTextCaretWaitMs = 100;     // a focused text field blinks its caret
// While the engine runs and nothing else happens the picture stands still: a
// frame now and then is enough, as input and the finished result are drawn at
// once. A software renderer (Xvfb, virtual machines, remote desktops) drawing
// without pause takes the processor from the engine.
constexpr long kRunFrameMs = 1000;

using Clock = std::chrono::steady_clock;

bool mouse_button_held() { return SDL_GetMouseState(nullptr, nullptr) != 0; }

void refresh_dpi_scale() {
  InterfaceScale& scale = interface_scale();
  scale.dpi = display_dpi_scale();
  scale.recompute();
}

// Returns whether any event was handled; `quit` when the window is closing.
bool handle_events(DesktopSession& session, bool& quit) {
  bool handled = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    handled = true;
    ImGui_ImplSDL2_ProcessEvent(&event);
    switch (event.type) {
      case SDL_QUIT: quit = true; break;
      case SDL_DROPBEGIN: session.drop_taken = false; break;
      case SDL_DROPFILE:
        if (!session.drop_taken && event.drop.file != nullptr) {
          session.dropped_path = event.drop.file;
          session.drop_pending = true;
          session.drop_taken = true;
        }
        SDL_free(event.drop.file);
        break;
      case SDL_DROPCOMPLETE: session.drop_taken = false; break;
      case SDL_WINDOWEVENT:
        if (event.window.windowID != session.window.id()) break;
        switch (event.window.event) {
          case SDL_WINDOWEVENT_CLOSE:
            session.window.track_placement();
            session.closing_placement = session.window.placement();
            session.placement_cached = true;
            quit = true;
            break;
          case SDL_WINDOWEVENT_MOVED:
          case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            session.window.track_placement();
            refresh_dpi_scale();
            break;
          case SDL_WINDOWEVENT_RESIZED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
          case SDL_WINDOWEVENT_MAXIMIZED:
          case SDL_WINDOWEVENT_RESTORED: session.window.track_placement(); break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            // Alt-Tab away must not leave a half-made Alt tap or the menu mode behind.
            if (!session.hooks->automation_mode()) {
              session.ui.menu_keys.alt_down = false;
              session.ui.menu_keys.mode = false;
            }
            break;
          default: break;
        }
        break;
      default: break;
    }
  }
  return handled;
}

bool run_going(const Document& document) { return document.requant_requested.load() || document.busy(); }

// While a run goes on and nothing else happens, frames come at most every
// kRunFrameMs after `last_frame` began; input or the finished result ends the wait.
void idle_wait(const DesktopSession& session, int countdown, Clock::time_point last_frame) {
  const Document& document = *session.document;
  if (session.hooks->automation_mode() || countdown >= 1 || mouse_button_held()) return;
  if (run_going(document)) {
    const long period = ImGui::GetIO().WantTextInput ? kTextCaretWaitMs : kRunFrameMs;
    auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_frame).count();
    if (since < period) SDL_WaitEventTimeout(nullptr, static_cast<int>(period - since));
    return;
  }
  int timeout = -1;
  if (ImGui::GetIO().WantTextInput) timeout = kTextCaretWaitMs;
  // A null event leaves what arrived in the queue for the drain below.
  if (timeout < 0)
    SDL_WaitEvent(nullptr);
  else
    SDL_WaitEventTimeout(nullptr, timeout);
}

void write_screenshot(const DesktopSession& session, const std::string& path) {
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  if (session.window.read_back_buffer(rgba, width, height))
    write_bitmap_24(path, width, height, rgba.data());
}

// Frame times for measuring, when BRISEL_FRAME_TIMES names a file.
struct FrameTimer {
  std::FILE* log = nullptr;
  std::chrono::steady_clock::time_point start;
  FrameTimer() {
    if (const char* path = std::getenv("BRISEL_FRAME_TIMES")) log = std::fopen(path, "w");
  }
  ~FrameTimer() {
    if (log != nullptr) std::fclose(log);
  }
  void begin() { start = std::chrono::steady_clock::now(); }
  void end(int frame, bool busy) {
    if (log == nullptr) return;
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(log, "%d %.3f %d\n", frame, ms, busy ? 1 : 0);
    std::fflush(log);  // read while the program runs
  }
};

}  // namespace

void run_frame_loop(DesktopSession& session) {
  Document& document = *session.document;
  UiState& ui = session.ui;
  HookDriver& hooks = *session.hooks;
  FrameTimer timer;
  int countdown = kFramesAfterActivity;
  bool quit = false;
  bool was_running = false;
  Clock::time_point last_frame = Clock::now();
  while (!quit) {
    idle_wait(session, countdown, last_frame);
    last_frame = Clock::now();
    timer.begin();
    document.begin_frame();
    bool handled = handle_events(session, quit);
    // A run starting or ending is shown at once, as input is.
    const bool running = run_going(document);
    if (handled || running != was_running)
      countdown = kFramesAfterActivity;
    else
      countdown = std::max(countdown - 1, 0);
    was_running = running;

    if (session.drop_pending) {
      session.drop_pending = false;
      open_image(document, ui, session.textures, session.dropped_path);
    }
    hooks.before_frame(session.frame, ui, document);
    if (hooks.finished()) break;
    document.request_png_size();
    if (document.take_result() && document.took_new_run) session.textures.rebuild_from_result(document);
    rebuild_overlays(document, ui, session.textures);

    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    hooks.inject_input(session.frame);
    hold_back_consumed_key(ui);
    InterfaceScale& scale = interface_scale();
    if (ui.language_reload) {
      ui.language_reload = false;
      load_language(ui.language);
    }
    apply_theme(session);
    if (scale.fonts_rebuild) {
      scale.fonts_rebuild = false;
      rebuild_fonts_and_style(session.unscaled_style, scale.effective, true);
    }
    ImGui::NewFrame();
    FrameRequests requests;
    if (std::optional<FileDialogResult> chosen = session.dialogs.take())
      finish_dialog(*chosen, document, ui, session.textures);
    build_interface(document, ui, session.textures, requests);
    if (requests.dialog) session.dialogs.start(*requests.dialog, document.path);
    session.dialogs.draw();
    if (requests.quit) quit = true;
    ImGui::Render();

    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(session.window.window(), &width, &height);
    glViewport(0, 0, width, height);
    glClearColor(session.clear_colour[0], session.clear_colour[1], session.clear_colour[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    if (hooks.screenshot_due(session.frame)) write_screenshot(session, *hooks.hooks().shot);
    timer.end(session.frame, document.busy());
    session.window.present();

    hooks.after_frame(session.frame, ui, document);
    ++session.frame;
    if (hooks.finished()) break;
  }
  if (hooks.exit_code() != 0) session.exit_code = hooks.exit_code();
}
