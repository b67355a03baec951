#include "app/document/edit_history.h"

#include <algorithm>
#include <utility>
#include <vector>

void EditHistory::begin_frame(const QuantizerOptions& options) {
  baseline_ = options;
  baseline_valid_ = true;
  pushed_this_frame_ = false;
}

bool EditHistory::claim_frame_step() {
  if (pushed_this_frame_) return false;
  pushed_this_frame_ = true;
  return true;
}

void EditHistory::push(EditStep step) {
  if (baseline_valid_) step.options = baseline_;
  undo_.push_back(std::move(step));
  redo_.clear();
  trim();
}

std::optional<EditStep> EditHistory::undo(EditStep present) {
  while (!undo_.empty()) {
    EditStep step = std::move(undo_.back());
    undo_.pop_back();
    if (same_state(step, present)) continue;
    redo_.push_back(std::move(present));
    return step;
  }
  return std::nullopt;
}

std::optional<EditStep> EditHistory::redo(EditStep present) {
  if (redo_.empty()) return std::nullopt;
  EditStep step = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(std::move(present));
  return step;
}

std::uint64_t EditHistory::snapshot_bytes() const {
  // A snapshot is shared by every step taken while its layer did not change, and
  // its memory is held once: each buffer counts once however many steps hold it.
  std::vector<const void*> seen;
  std::uint64_t total = 0;
  for (const EditStep& step : undo_)
    for (const LayerSnapshot& snapshot : step.layers) {
      if (!snapshot || std::find(seen.begin(), seen.end(), snapshot.get()) != seen.end())
        continue;
      seen.push_back(snapshot.get());
      total += snapshot->size();
    }
  return total;
}

void EditHistory::trim() {
  while (undo_.size() > kMaxSteps) undo_.pop_front();
  // The newest step stays whatever it holds, so the edit just made can be undone.
  while (undo_.size() >= 2 && snapshot_bytes() > byte_limit_) undo_.pop_front();
}
