#pragma once
// What the sidebar sections, the menus and the shortcuts work on in one frame.
#include "engine/quantizer_options.h"

class Document;
struct UiState;
struct ViewTextures;
struct FrameRequests;

struct PanelContext {
  Document& document;
  UiState& ui;
  ViewTextures& textures;
  FrameRequests& requests;
  // The sidebar's working copy of the quantizer options; handed to the document
  // at the end of the sidebar when a widget changed it.
  QuantizerOptions options;
  bool changed = false;
};
