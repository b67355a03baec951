// The Document's side of the edit history: taking a step of the present state
// and restoring one.
#include <algorithm>
#include <mutex>
#include <utility>

#include "app/document/document.h"

void Document::begin_frame() {
  // The main thread is the options' only writer, so it reads them without the lock.
  history_.begin_frame(options);
}

void Document::push_edit_step() {
  if (!history_.claim_frame_step()) return;
  EditStep step;
  {
    std::lock_guard<std::mutex> lock(mutex);
    step = snapshot_step();
  }
  history_.push(std::move(step));
}

bool Document::undo() {
  if (!history_.can_undo()) return false;
  {
    std::lock_guard<std::mutex> lock(mutex);
    std::optional<EditStep> step = history_.undo(snapshot_step());
    if (!step) return false;
    restore(*step);
  }
  request_run();
  return true;
}

bool Document::redo() {
  if (!history_.can_redo()) return false;
  {
    std::lock_guard<std::mutex> lock(mutex);
    std::optional<EditStep> step = history_.redo(snapshot_step());
    restore(*step);
  }
  request_run();
  return true;
}

EditStep Document::snapshot_step() {
  EditStep step;
  step.options = options;
  step.pins = pins;
  step.palette = palette;
  step.palette_name = palette_name;
  step.use_pins = use_pins;
  step.use_focus = use_focus;
  step.use_dither_map = use_dither_map;
  step.use_palette = use_palette;
  for (int i = 0; i < 2; ++i) {
    MapLayer& layer = layers[i];
    if (!layer.snapshot || layer.snapshot_version != layer.version) {
      layer.snapshot = std::make_shared<const std::vector<std::uint8_t>>(layer.bytes);
      layer.snapshot_version = layer.version;
    }
    step.layers[i] = layer.snapshot;
  }
  return step;
}

void Document::restore(const EditStep& step) {
  options = step.options;
  options.pins = nullptr;
  options.pin_count = 0;
  options.focus_map = nullptr;
  options.dither_map = nullptr;
  pins = step.pins;
  palette = step.palette;
  palette_name = step.palette_name;
  use_pins = step.use_pins;
  use_focus = step.use_focus;
  use_dither_map = step.use_dither_map;
  use_palette = step.use_palette;
  for (int i = 0; i < 2; ++i) {
    MapLayer& layer = layers[i];
    const LayerSnapshot& snapshot = step.layers[i];
    // A snapshot taken before another image was opened does not fit this one.
    if (!snapshot || snapshot->size() != layer.bytes.size()) continue;
    layer.bytes = *snapshot;
    layer.empty = std::all_of(layer.bytes.begin(), layer.bytes.end(),
                              [&](std::uint8_t v) { return v == layer.rest; });
    ++layer.version;
    layer.snapshot = snapshot;
    layer.snapshot_version = layer.version;
  }
  requant_requested.store(true);
}
