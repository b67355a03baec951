#include "app/document/edit_step.h"

namespace {

// The settings a user can change; threads and the pointer fields are the run's business.
bool same_settings(const QuantizerOptions& a, const QuantizerOptions& b) {
  return a.colors == b.colors && a.speed == b.speed && a.dither == b.dither &&
         a.ie_workaround == b.ie_workaround && a.dither_strength == b.dither_strength &&
         a.dither_damper == b.dither_damper && a.dither_floor == b.dither_floor &&
         a.plan_colors == b.plan_colors && a.plan_restraint == b.plan_restraint &&
         a.chroma_weight == b.chroma_weight && a.max_error_pow == b.max_error_pow &&
         a.mediancut_rounds == b.mediancut_rounds && a.sum_pow == b.sum_pow &&
         a.focus_weight == b.focus_weight && a.gpu == b.gpu;
}

bool same_layer(const LayerSnapshot& a, const LayerSnapshot& b) {
  if (a == b) return true;
  return a && b && *a == *b;
}

}  // namespace

bool same_state(const EditStep& a, const EditStep& b) {
  return same_settings(a.options, b.options) && a.pins == b.pins && a.palette == b.palette &&
         a.use_pins == b.use_pins && a.use_focus == b.use_focus &&
         a.use_dither_map == b.use_dither_map && a.use_palette == b.use_palette &&
         same_layer(a.layers[0], b.layers[0]) && same_layer(a.layers[1], b.layers[1]);
}
