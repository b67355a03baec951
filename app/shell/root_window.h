#pragma once
// One frame of the interface: the root window with its menu bar, the sidebar,
// the splitter, the image pane and the status line.
class Document;
struct UiState;
struct ViewTextures;

// The file dialogs a frame can ask for; the frame loop runs them between frames.
enum class DialogWanted {
  none,
  open_image,
  save_image,
  load_pins,
  save_pins,
  load_palette,
  save_palette,
  browse_program,
};

struct FrameRequests {
  bool quit = false;  // File > Exit
  DialogWanted dialog = DialogWanted::none;
};

void build_interface(Document& document, UiState& ui, ViewTextures& textures, FrameRequests& requests);
