#include <imgui.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/platform/display_scale.h"
#include "app/platform/window_system.h"
#include "app/shell/desktop_session.h"
#include "app/shell/dialog_results.h"
#include "app/shell/fonts_and_style.h"
#include "app/shell/language.h"
#include "app/shell/menu_bar.h"
#include "app/shell/open_image.h"
#include "app/shell/root_window.h"
#include "app/testing/bitmap_file.h"
#include "app/testing/hook_driver.h"
#include "app/ui/interface_scale.h"
#include "app/view/overlays.h"

namespace {

constexpr int kFramesAfterActivity = 3;
constexpr int kTextCaretWaitMs = 100;     // a focused text field blinks its caret
// While the engine runs and nothing else happens the picture stands still: a
// frame now and then is enough, as input and the finished result are drawn at
// once. A software renderer (Xvfb, virtual machines, remote desktops) drawing
// without pause takes the processor from the engine.
constexpr long kRunFrameMs = 1000;

using Clock = std::chrono::steady_clock;

void refresh_dpi_scale() {
  InterfaceScale& scale = interface_scale();
  scale.dpi = display_dpi_scale();
  scale.recompute();
}

// Returns whether any event was handled; `quit` when the window is closing.
bool handle_events(DesktopSession& session, bool& quit) {
  std::vector<WindowEvent> events;
  bool handled = poll_window_events(session.window, events);
  for (const WindowEvent& event : events) {
    switch (event.kind) {
      case WindowEventKind::quit: quit = true; break;
      case WindowEventKind::drop_begin: session.drop_taken = false; break;
      case WindowEventKind::drop_file:
        if (!session.drop_taken) {
          session.dropped_path = event.path;
          session.drop_pending = true;
          session.drop_taken = true;
        }
        break;
      case WindowEventKind::drop_complete: session.drop_taken = false; break;
      case WindowEventKind::close:
        session.window.track_placement();
        session.closing_placement = session.window.placement();
        session.placement_cached = true;
        quit = true;
        break;
      case WindowEventKind::moved:
        session.window.track_placement();
        refresh_dpi_scale();
        break;
      case WindowEventKind::resized: session.window.track_placement(); break;
      case WindowEventKind::focus_lost:
        // Alt-Tab away must not leave a half-made Alt tap or the menu mode behind.
        if (!session.hooks->automation_mode()) {
          session.ui.menu_keys.alt_down = false;
          session.ui.menu_keys.mode = false;
        }
        break;
    }
  }
  return handled;
}

bool run_going(const Document& document) { return document.run_requested() || document.busy(); }

// While a run goes on and nothing else happens, frames come at most every
// kRunFrameMs after `last_frame` began; input or the finished result ends the wait.
void idle_wait(const DesktopSession& session, int countdown, Clock::time_point last_frame) {
  const Document& document = *session.document;
  if (session.hooks->automation_mode() || countdown >= 1 || mouse_button_held()) return;
  if (run_going(document)) {
    const long period = ImGui::GetIO().WantTextInput ? kTextCaretWaitMs : kRunFrameMs;
    auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_frame).count();
    if (since < period) wait_for_event(static_cast<int>(period - since));
    return;
  }
  int timeout = -1;
  if (ImGui::GetIO().WantTextInput) timeout = kTextCaretWaitMs;
  wait_for_event(timeout);
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
    if (document.take_result() && document.took_new_run()) session.textures.rebuild_from_result(document);
    rebuild_overlays(document, ui, session.textures);

    begin_interface_frame();
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
    if (requests.dialog) session.dialogs.start(*requests.dialog, document.path());
    session.dialogs.draw();
    if (requests.quit) quit = true;
    ImGui::Render();

    render_interface_frame(session.window, session.clear_colour);
    if (hooks.screenshot_due(session.frame)) write_screenshot(session, *hooks.hooks().shot);
    timer.end(session.frame, document.busy());
    session.window.present();

    hooks.after_frame(session.frame, ui, document);
    ++session.frame;
    if (hooks.finished()) break;
  }
  if (hooks.exit_code() != 0) session.exit_code = hooks.exit_code();
}
