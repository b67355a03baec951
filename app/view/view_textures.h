#pragma once
// The textures the image pane draws.
#include "app/platform/texture.h"

class Document;

struct ViewTextures {
  Texture source;
  Texture quantized;
  Texture difference;
  Texture reference;
  Texture focus_overlay;
  Texture dither_overlay;

  // After take_result reported a new result: the quantized, difference and
  // reference pictures. A failed run leaves the quantized and difference ones.
  void rebuild_from_result(const Document& document);
  void release_all();
};
