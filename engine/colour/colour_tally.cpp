#include "engine/colour/colour_tally.h"

#include <algorithm>

#include "engine/required_array.h"

namespace {
constexpr unsigned kMaxPartitions = 8;
}  // namespace

unsigned tally_partitions() { return std::clamp(tamble::thread_count(), 1u, kMaxPartitions); }

bool gather_tally(tamble::device* dev, const std::vector<KeyTable<double>>& tables,
                  std::uint32_t max_colors, ColourTally& out) {
  std::size_t count = 0;
  for (const KeyTable<double>& t : tables) count += t.size();
  if (count > max_colors) return false;
  out.keys = required_array<std::uint32_t>(dev, count);
  out.weights = required_array<double>(dev, count);
  std::size_t at = 0;
  for (const KeyTable<double>& t : tables)
    t.for_each([&](std::uint32_t key, double weight) {
      out.keys.data()[at] = key;
      out.weights.data()[at] = weight;
      ++at;
    });
  // Keys are distinct, so the order is the same however they were gathered.
  tamble::sort_by_key(out.keys.data(), out.weights.data(), count);
  out.count = count;
  return true;
}
