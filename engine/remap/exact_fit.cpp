// Error diffusion seeds its first row with noise of half a byte step in the
// working space, which in the darkest greys spans several byte values: on an
// image the palette reproduces exactly that noise is the only error there is,
// and it would move exact pixels. Such an image is mapped entry for entry.
#include "engine/remap/exact_fit.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Key = std::uint32_t;
using PaletteKeys = std::vector<std::pair<Key, std::uint8_t>>;

Key key_of(const std::uint8_t* p) {
  if (p[3] == 0) return 0;  // every fully transparent pixel is transparent black
  return Key{p[0]} << 24 | Key{p[1]} << 16 | Key{p[2]} << 8 | p[3];
}

// The written palette, sorted by colour; equal colours keep their lowest index.
PaletteKeys palette_keys(const QuantizedImage& out) {
  PaletteKeys keys;
  for (std::uint32_t i = 0; i < out.palette_size && i < 256; ++i) {
    const std::uint8_t bytes[4] = {out.palette_rgb[i][0], out.palette_rgb[i][1],
                                   out.palette_rgb[i][2],
                                   i < out.transparent_count ? out.palette_alpha[i] : std::uint8_t{255}};
    keys.emplace_back(key_of(bytes), static_cast<std::uint8_t>(i));
  }
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& x, const auto& y) { return x.first < y.first; });
  return keys;
}

// The entry written with the colour of `key`, or -1.
int entry_of(const PaletteKeys& keys, Key key) {
  auto it = std::lower_bound(keys.begin(), keys.end(), key,
                             [](const auto& e, Key v) { return e.first < v; });
  return it == keys.end() || it->first != key ? -1 : it->second;
}

}  // namespace

bool map_exact_fit(const std::uint8_t* rgba, std::size_t pixel_count, const QuantizedImage& out,
                   std::uint8_t* indices) {
  const auto keys = palette_keys(out);
  if (keys.empty()) return false;
  // One pass to check, one to write: a miss must leave the indices alone.
  for (int write = 0; write < 2; ++write) {
    Key last_key = key_of(rgba) + 1;  // differs from the first pixel's key
    std::uint8_t last_index = 0;
    for (std::size_t i = 0; i < pixel_count; ++i) {
      const Key k = key_of(rgba + 4 * i);
      if (k != last_key) {
        const int entry = entry_of(keys, k);
        if (entry < 0) return false;
        last_key = k;
        last_index = static_cast<std::uint8_t>(entry);
      }
      if (write) indices[i] = last_index;
    }
  }
  return true;
}

bool map_exact_fit(const std::uint32_t* ids, std::size_t pixel_count, const std::uint32_t* words,
                   std::size_t colour_count, const QuantizedImage& out, std::uint8_t* indices) {
  const auto keys = palette_keys(out);
  if (keys.empty()) return false;
  std::vector<std::uint8_t> entry(colour_count);
  for (std::size_t c = 0; c < colour_count; ++c) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(words[c]), static_cast<std::uint8_t>(words[c] >> 8),
                                   static_cast<std::uint8_t>(words[c] >> 16),
                                   static_cast<std::uint8_t>(words[c] >> 24)};
    const int e = entry_of(keys, key_of(bytes));
    if (e < 0) return false;
    entry[c] = static_cast<std::uint8_t>(e);
  }
  for (std::size_t i = 0; i < pixel_count; ++i) indices[i] = entry[ids[i]];
  return true;
}
