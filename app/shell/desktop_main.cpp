#include "app/shell/desktop_main.h"

#include <imgui.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "app/document/reference_run.h"
#include "app/platform/display_scale.h"
#include "app/platform/executable_folder.h"
#include "app/platform/output_program.h"
#include "app/platform/window_system.h"
#include "app/shell/desktop_session.h"
#include "app/ui/build_stamp.h"
#include "app/shell/fonts_and_style.h"
#include "app/shell/interface_settings.h"
#include "app/shell/language.h"
#include "app/shell/open_image.h"
#include "app/shell/reference_program.h"
#include "app/testing/hook_driver.h"
#include "app/testing/self_test.h"
#include "app/ui/clipboard_actions.h"
#include "app/ui/interface_scale.h"
#include "app/ui/translate.h"
#include "io/file_system.h"
#include "io/settings.h"

namespace {

constexpr const char* kCaption = "kestrane GUI";

void shut_down(DesktopSession& session) {
  if (!session.settings_path.empty() && !session.hooks->automation_mode()) {
    WindowPlacement placement =
        session.placement_cached ? session.closing_placement : session.window.placement();
    write_interface_settings(session.settings_path, session.ui, *session.document, &placement,
                             interface_scale().ui_zoom);
  }
  // Nothing may post to the window system once it is gone.
  session.document->set_wake_ui({});
  session.system_theme.set_wake({});
  session.dialogs.close();
  use_clipboard_owner(nullptr);
  session.clipboard.reset();
  session.textures.release_all();
  stop_interface_backends();
  ImGui::DestroyContext();
}

}  // namespace

std::string command_line_image(int argc, char** argv) {
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) path += ' ';
    path += argv[i];
  }
  if (path.size() > 1 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  return path;
}

int run_desktop(int argc, char** argv) {
  std::string start_error;
  if (!start_window_system(start_error)) {
    std::fprintf(stderr, "Could not open a window: %s\n", start_error.c_str());
    return 1;
  }
  DesktopSession session;
  InterfaceScale& scale = interface_scale();
  scale.dpi = display_dpi_scale();
  scale.recompute();

  std::string error;
  bool no_activate = scripted_input_expected([](const char* name) { return std::getenv(name); });
  if (!session.window.create(window_title(""), scale.effective, no_activate, error)) {
    std::fprintf(stderr, "%s (%s)\n", graphics_device_failure(), error.c_str());
    show_error_message(kCaption, graphics_device_failure());
    stop_window_system();
    return 1;
  }

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  ImGui::GetIO().IniFilename = nullptr;

  session.document = std::make_unique<Document>();
  // After the window system's set-up, so the owner's X error handler passes on to its.
  session.clipboard = std::make_unique<ClipboardOwner>();
  std::string clipboard_error;  // without an owner, texts still go through the window system
  if (session.clipboard->start(clipboard_error)) use_clipboard_owner(session.clipboard.get());
  Document& document = *session.document;
  UiState& ui = session.ui;
  session.settings_path = settings_file_path();
  InterfaceSettings stored = read_interface_settings(session.settings_path, ui, document);
  scale.ui_zoom = stored.ui_zoom;
  scale.recompute();
  if (const char* language = std::getenv("KESTRANE_GUI_LANG")) ui.language = std::string(language).substr(0, 15);
  load_language(ui.language);
  ui.status = translate("Open an image, or drag one onto the window.");

  session.window.show(stored.placement);
  apply_theme(session);
  start_interface_backends(session.window);
  rebuild_fonts_and_style(session.unscaled_style, scale.effective, false);
  scale.fonts_rebuild = false;

  // Before the first run, which the command-line image starts.
  find_reference_program(document, executable_folder(), program_on_path);
  document.set_reference_runner([](const ReferenceRequest& request) { return run_reference(request); });
  std::string image = command_line_image(argc, argv);
  bool opened = !image.empty() && open_image(document, ui, session.textures, image);

  session.hooks = std::make_unique<HookDriver>(read_script_hooks());
  session.hooks->apply_presets(ui, document);
  const std::optional<std::string>& self_test = session.hooks->hooks().self_test;
  if (self_test && opened) {
    // Instead of the frame loop; an unwritable report is a failed run.
    if (!run_self_test(document, *self_test)) session.exit_code = 1;
  } else if (session.hooks->automation_mode() && !image.empty() && !opened) {
    std::fprintf(stderr, "%s\n", ui.status.c_str());
    session.exit_code = 2;
  } else {
    std::function<void()> wake = make_wake();
    document.set_wake_ui(wake);
    session.dialogs.set_wake(wake);
    session.system_theme.set_wake(wake);
    run_frame_loop(session);
  }
  shut_down(session);
  int exit_code = session.exit_code;
  session.document.reset();  // waits for a run in progress
  session.window.destroy();
  stop_window_system();
  return exit_code;
}
