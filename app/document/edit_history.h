#pragma once
// The undo and redo lists of EditSteps, at most one new step per interface
// frame, bounded by step count and by the memory of the layer snapshots.
// Touched only by the main thread; taking and restoring steps is the Document's.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "app/document/edit_step.h"

class EditHistory {
 public:
  static constexpr std::size_t kMaxSteps = 200;
  static constexpr std::uint64_t kMaxSnapshotBytes = 268435456;  // 256 MiB

  // Start of a frame: `options` is the state a widget may change during it.
  void begin_frame(const QuantizerOptions& options);
  // False when this frame already has its step; otherwise claims it.
  bool claim_frame_step();
  // Appends the state before an edit (its options replaced by the frame's
  // baseline), empties the redo list and trims the oldest steps.
  void push(EditStep step);
  // The newest step that differs from `present`, which moves onto the redo list;
  // equal steps met on the way are dropped. Nothing when none differs.
  std::optional<EditStep> undo(EditStep present);
  // The newest redo step, with `present` put back onto the undo list.
  std::optional<EditStep> redo(EditStep present);

  bool can_undo() const { return !undo_.empty(); }
  bool can_redo() const { return !redo_.empty(); }
  std::size_t undo_depth() const { return undo_.size(); }
  std::size_t redo_depth() const { return redo_.size(); }
  // Bytes of the distinct layer snapshots the undo list holds.
  std::uint64_t snapshot_bytes() const;
  void set_byte_limit(std::uint64_t bytes) { byte_limit_ = bytes; }

 private:
  void trim();

  std::deque<EditStep> undo_;  // oldest first
  std::deque<EditStep> redo_;  // oldest first
  QuantizerOptions baseline_;
  bool baseline_valid_ = false;
  bool pushed_this_frame_ = false;
  std::uint64_t byte_limit_ = kMaxSnapshotBytes;
};
