#pragma once
// One frame of the interface: the root window with its menu bar, the sidebar,
// the splitter, the image pane and the status line.
class Document;
struct UiState;
struct ViewTextures;

struct FrameRequests {
  bool quit = false;  // File > Exit
};

void build_interface(Document& document, UiState& ui, ViewTextures& textures, FrameRequests& requests);
