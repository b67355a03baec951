#pragma once
// One painted layer: a byte per source pixel, at rest everywhere until painted.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

inline constexpr int kFocusLayer = 0;
inline constexpr int kDitherLayer = 1;
inline constexpr std::uint8_t kFocusRest = 0;     // no extra weight
inline constexpr std::uint8_t kDitherRest = 128;  // the dither level unchanged

struct MapLayer {
  std::vector<std::uint8_t> bytes;  // width x height, rows top to bottom
  std::uint8_t rest = 0;
  bool empty = true;  // every byte equals `rest`, as far as the operations track it
  int version = 0;    // bumped by every change
  // The read-only copy last shared with the edit history, and the version it shows.
  std::shared_ptr<const std::vector<std::uint8_t>> snapshot;
  int snapshot_version = -1;

  // Fills `pixel_count` bytes with the rest value and marks the layer empty.
  void reset(std::size_t pixel_count);
};
