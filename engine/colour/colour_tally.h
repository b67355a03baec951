#pragma once
// The distinct keys of an image with each key's weight summed in pixel order,
// without a per-pixel array: one hash table per key partition, each partition
// read by one participant over the whole image. Every key's sum is the one a
// stable sort by key followed by a left-to-right reduction gives, whatever
// the number of partitions.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/colour/key_table.h"
#include "tamble/algorithms.h"
#include "tamble/array.h"
#include "tamble/device.h"

struct ColourTally {
  tamble::array<std::uint32_t> keys;  // ascending
  tamble::array<double> weights;      // each key's summed pixel weights
  std::size_t count = 0;
};

// How many key partitions a tally uses; any number gives the same sums.
unsigned tally_partitions();

// Sorts the partitions' keys into out; false when they hold more than max_colors.
bool gather_tally(tamble::device* dev, const std::vector<KeyTable<double>>& tables,
                  std::uint32_t max_colors, ColourTally& out);

// key_of(i) gives pixel i's key, weight_of(i) its weight. False (tally left
// empty) when there are more than max_colors keys. Refused memory throws
// std::bad_alloc.
template <class KeyOf, class WeightOf>
bool tally_colours(tamble::device* dev, std::size_t pixel_count, std::uint32_t max_colors,
                   KeyOf key_of, WeightOf weight_of, ColourTally& out) {
  const unsigned partitions = tally_partitions();
  std::vector<KeyTable<double>> tables(partitions);
  std::atomic<std::size_t> total{0};
  tamble::for_each_index(
      dev, partitions,
      [&](std::size_t p) {
        KeyTable<double>& table = tables[p];
        // Neighbours often share a key: the last one's sum is kept at hand.
        std::uint32_t last_key = 0;
        double* last = nullptr;
        for (std::size_t i = 0; i < pixel_count; ++i) {
          const std::uint32_t key = key_of(i);
          if (last && key == last_key) {
            *last += weight_of(i);
            continue;
          }
          if (key_partition(key, partitions) != p) continue;
          bool added = false;
          double& sum = table.value_of(key, added);
          if (added) {
            if (total.fetch_add(1, std::memory_order_relaxed) >= max_colors) return;
            sum = weight_of(i);
          } else {
            sum += weight_of(i);
          }
          last_key = key;
          last = &sum;
        }
      },
      2);
  return gather_tally(dev, tables, max_colors, out);
}
