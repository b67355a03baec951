#pragma once
// One frame of the interface: the root window with its menu bar, the sidebar,
// the splitter, the image pane and the status line.
#include <optional>

#include "app/shell/file_dialog.h"

class Document;
struct UiState;
struct ViewTextures;

struct FrameRequests {
  bool quit = false;  // File > Exit
  std::optional<FileDialogPurpose> dialog;  // a file to ask for, between frames
};

void build_interface(Document& document, UiState& ui, ViewTextures& textures, FrameRequests& requests);
