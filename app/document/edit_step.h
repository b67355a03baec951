#pragma once
// One undo step: the editable state of the Document, with the paint layers
// held as shared read-only snapshots so unchanged layers cost nothing.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/document/rgba.h"
#include "engine/quantizer_options.h"

using LayerSnapshot = std::shared_ptr<const std::vector<std::uint8_t>>;

struct EditStep {
  QuantizerOptions options;
  std::vector<Rgba> pins;
  std::vector<Rgba> palette;  // the loaded palette
  std::string palette_name;   // the kind is not kept
  bool use_pins = true;
  bool use_focus = true;
  bool use_dither_map = true;
  bool use_palette = true;
  std::array<LayerSnapshot, 2> layers;  // kFocusLayer, kDitherLayer; null when none
};

// Whether two steps show the same state to the user: the options' settings,
// the colour lists, the flags and the layer contents. The palette name and the
// options' pointer fields take no part.
bool same_state(const EditStep& a, const EditStep& b);
