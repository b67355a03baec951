#pragma once
// Everything the desktop face's main thread owns between start-up and shutdown.
#include <imgui.h>

#include <memory>
#include <string>

#include "app/document/document.h"
#include "app/platform/clipboard_owner.h"
#include "app/platform/desktop_window.h"
#include "app/platform/system_theme.h"
#include "app/shell/file_dialog.h"
#include "app/ui/ui_state.h"
#include "app/view/view_textures.h"

class HookDriver;  // the scripted-run driver; only the process entry and the frame loop use it

// Made and destroyed by the process entry, where the driver's type is complete.
struct DesktopSession {
  std::string settings_path;
  DesktopWindow window;
  ImGuiStyle unscaled_style;
  std::unique_ptr<Document> document;
  UiState ui;
  SystemTheme system_theme;
  int theme_applied = -1;  // 0 dark or 1 light: what the colours were made for; -1 none yet
  float clear_colour[3] = {0.10f, 0.10f, 0.11f};
  ViewTextures textures;
  std::unique_ptr<HookDriver> hooks;
  // Offers what the Edit menu copies while the program runs; without a clipboard
  // manager on the desktop it goes with the process.
  std::unique_ptr<ClipboardOwner> clipboard;
  FileDialogs dialogs;

  // Set by the event handling, taken by the frame loop.
  std::string dropped_path;
  bool drop_pending = false;
  bool drop_taken = false;  // a drop of several files opens only the first
  bool placement_cached = false;
  WindowPlacement closing_placement;

  int frame = 0;
  int exit_code = 0;
};

// Gives the style the colours of the chosen theme (following the system's when
// asked) when they changed; sizes stay as they are.
void apply_theme(DesktopSession& session);

// Runs frames until the window closes or a scripted run ends.
void run_frame_loop(DesktopSession& session);
