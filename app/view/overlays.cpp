#include "app/view/overlays.h"

#include "app/document/document.h"
#include "app/ui/ui_state.h"
#include "app/view/view_textures.h"

void overlay_pixels(const MapLayer& layer, int which, std::vector<std::uint8_t>& rgba) {
  rgba.resize(layer.bytes.size() * 4);
  std::uint8_t* out = rgba.data();
  for (std::uint8_t v : layer.bytes) {
    if (which == kFocusLayer) {
      out[0] = 255, out[1] = 220, out[2] = 80;
      out[3] = static_cast<std::uint8_t>(v * 0.4);
    } else if (v < 129) {
      out[0] = 90, out[1] = 170, out[2] = 255;
      out[3] = static_cast<std::uint8_t>(((128 - v) * 70) >> 7);
    } else {
      out[0] = 255, out[1] = 150, out[2] = 60;
      out[3] = static_cast<std::uint8_t>(((v - 128) * 70) >> 7);
    }
    out += 4;
  }
}

void rebuild_overlays(const Document& document, UiState& ui, ViewTextures& textures) {
  static std::vector<std::uint8_t> rgba;  // main thread only; kept between frames
  Texture* overlay[2] = {&textures.focus_overlay, &textures.dither_overlay};
  for (int which = 0; which < 2; ++which) {
    if (!ui.overlay_dirty[which]) continue;
    ui.overlay_dirty[which] = false;
    const MapLayer& layer = document.layer(which);
    if (layer.bytes.size() != std::size_t{document.width()} * document.height() || layer.bytes.empty()) continue;
    // Nothing painted shows nothing: no picture-sized texture to blend every frame.
    if (layer.empty) {
      overlay[which]->release();
      continue;
    }
    overlay_pixels(layer, which, rgba);
    overlay[which]->upload(rgba.data(), document.width(), document.height());
  }
}
