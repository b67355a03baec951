#pragma once
// One frame of the interface: the root window with its menu bar, the sidebar,
// the splitter, the image pane and the status line.
#include "app/ui/frame_requests.h"

class Document;
struct UiState;
struct ViewTextures;

void build_interface(Document& document, UiState& ui, ViewTextures& textures, FrameRequests& requests);
