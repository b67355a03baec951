// The Document's side of the edit history: taking a step of the present state
// and restoring one.
#include <algorithm>
#include <mutex>
#include <utility>

#include "app/document/document.h"

void Document::begin_frame() {
  // The main thread is the options' only writer, so it reads them without the lock.
  history_.begin_frame(options_);
}

void Document::push_edit_step() {
  if (!history_.claim_frame_step()) return;
  EditStep step;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    step = snapshot_step();
  }
  history_.push(std::move(step));
}

bool Document::undo() {
  if (!history_.can_undo()) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
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
    std::lock_guard<std::mutex> lock(mutex_);
    std::optional<EditStep> step = history_.redo(snapshot_step());
    restore(*step);
  }
  request_run();
  return true;
}

EditStep Document::snapshot_step() {
  EditStep step;
  step.options = options_;
  step.pins = pins_;
  step.palette = palette_;
  step.palette_name = palette_name_;
  step.use_pins = use_pins_;
  step.use_focus = use_focus_;
  step.use_dither_map = use_dither_map_;
  step.use_palette = use_palette_;
  for (int i = 0; i < 2; ++i) {
    MapLayer& layer = layers_[i];
    if (!layer.snapshot || layer.snapshot_version != layer.version) {
      layer.snapshot = std::make_shared<const std::vector<std::uint8_t>>(layer.bytes);
      layer.snapshot_version = layer.version;
    }
    step.layers[i] = layer.snapshot;
  }
  return step;
}

void Document::restore(const EditStep& step) {
  options_ = step.options;
  options_.pins = nullptr;
  options_.pin_count = 0;
  options_.focus_map = nullptr;
  options_.dither_map = nullptr;
  pins_ = step.pins;
  palette_ = step.palette;
  palette_name_ = step.palette_name;
  use_pins_ = step.use_pins;
  use_focus_ = step.use_focus;
  use_dither_map_ = step.use_dither_map;
  use_palette_ = step.use_palette;
  for (int i = 0; i < 2; ++i) {
    MapLayer& layer = layers_[i];
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
  requant_requested_.store(true);
}
