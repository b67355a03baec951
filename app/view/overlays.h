#pragma once
// The paint layers shown over the image: yellow focus, cool and warm dither strength.
#include <cstdint>
#include <vector>

class Document;
struct MapLayer;
struct UiState;
struct ViewTextures;

// One RGBA texel per layer byte.
void overlay_pixels(const MapLayer& layer, int which, std::vector<std::uint8_t>& rgba);
// Before the interface frame: remakes each overlay whose dirty flag is set.
void rebuild_overlays(const Document& document, UiState& ui, ViewTextures& textures);
