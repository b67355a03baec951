// The Document's editing operations on the paint layers, the pins and the
// loaded palette. Each holds the mutex for its whole duration.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "app/document/document.h"
#include "engine/palette_capacity.h"

namespace {

constexpr std::size_t kMaxPins = 255;

// A fixed palette is used exactly as given, even one of a single colour, as the
// batch face does with the same file.
std::uint32_t palette_colour_count(std::size_t entries) {
  return static_cast<std::uint32_t>(std::clamp<std::size_t>(entries, 1, std::size_t{kPaletteCapacity}));
}

bool same_rgb(const Rgba& a, const Rgba& b) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
}

bool valid_layer(int layer) { return layer == kFocusLayer || layer == kDitherLayer; }

}  // namespace

bool Document::has_image() const {
  std::size_t pixel_count = std::size_t{width_} * height_;
  return pixel_count != 0 && pixels_.size() == pixel_count * 4;
}

void Document::paint_dab(int layer_index, int x, int y, int radius, float amount) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!valid_layer(layer_index) || radius <= 0 || !has_image()) return;
  MapLayer& layer = layers_[layer_index];
  // A layer of another size than the image would be written past its end.
  if (layer.bytes.empty() || layer.bytes.size() != std::size_t{width_} * height_) return;
  ++layer.version;
  // 64-bit bounds: a centre far outside the image cannot overflow.
  const std::int64_t r = radius;
  const std::int64_t top = std::max<std::int64_t>(y - r, 0);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{y} + r, std::int64_t{height_} - 1);
  const std::int64_t left = std::max<std::int64_t>(x - r, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{x} + r, std::int64_t{width_} - 1);
  const double radius_squared = double(radius) * radius;
  for (std::int64_t i = top; i <= bottom; ++i) {
    std::uint8_t* row = &layer.bytes[std::size_t(i) * width_];
    const double dy = double(i - y);
    for (std::int64_t j = left; j <= right; ++j) {
      const double dx = double(j - x);
      const double d2 = dy * dy + dx * dx;
      if (radius_squared < d2) continue;
      double v = row[j] + (1.0 - std::sqrt(d2) / radius) * amount * 255.0;
      row[j] = static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0));
      if (row[j] != layer.rest) layer.empty = false;
    }
  }
}

void Document::clear_layer(int layer_index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!valid_layer(layer_index)) return;
  MapLayer& layer = layers_[layer_index];
  std::fill(layer.bytes.begin(), layer.bytes.end(), layer.rest);
  layer.empty = true;
  ++layer.version;
}

void Document::pin_at(int x, int y) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!has_image() || x < 0 || y < 0 || std::uint32_t(x) >= width_ || std::uint32_t(y) >= height_)
    return;
  const std::uint8_t* p = &pixels_[(std::size_t(y) * width_ + x) * 4];
  Rgba colour{p[0], p[1], p[2], 255};
  for (const Rgba& pin : pins_)
    if (same_rgb(pin, colour)) return;
  pins_.push_back(colour);
}

void Document::unpin_nearest(int x, int y) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pins_.empty() || !has_image() || x < 0 || y < 0 || std::uint32_t(x) >= width_ ||
      std::uint32_t(y) >= height_)
    return;
  const std::uint8_t* p = &pixels_[(std::size_t(y) * width_ + x) * 4];
  std::size_t nearest = 0;
  int nearest_distance = -1;
  for (std::size_t i = 0; i < pins_.size(); ++i) {
    int distance = 0;
    for (int c = 0; c < 3; ++c) distance += (pins_[i][c] - p[c]) * (pins_[i][c] - p[c]);
    // Strictly nearer only: the first of equally near pins goes.
    if (nearest_distance < 0 || distance < nearest_distance) {
      nearest = i;
      nearest_distance = distance;
    }
  }
  pins_.erase(pins_.begin() + std::ptrdiff_t(nearest));
}

void Document::remove_pin(std::size_t i) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (i < pins_.size()) pins_.erase(pins_.begin() + std::ptrdiff_t(i));
}

void Document::clear_pins() {
  std::lock_guard<std::mutex> lock(mutex_);
  pins_.clear();
}

void Document::set_pins(const std::vector<Rgba>& colours) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pins_.clear();
    for (const Rgba& colour : colours) {
      if (pins_.size() == kMaxPins) break;
      bool taken = std::any_of(pins_.begin(), pins_.end(),
                               [&](const Rgba& pin) { return same_rgb(pin, colour); });
      if (!taken) pins_.push_back(Rgba{colour[0], colour[1], colour[2], 255});
    }
  }
  request_run();
}

void Document::load_palette(const std::vector<Rgba>& colours, int kind, const std::string& name) {
  if (colours.empty()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t count = std::min(colours.size(), std::size_t{kPaletteCapacity});
    palette_.assign(colours.begin(), colours.begin() + std::ptrdiff_t(count));
    palette_name_ = name;
    palette_kind_ = kind;
    pins_.clear();
    options_.colors = palette_colour_count(count);
    use_palette_ = true;
  }
  request_run();
}

void Document::clear_palette() {
  std::lock_guard<std::mutex> lock(mutex_);
  palette_.clear();
  palette_name_.clear();
  palette_kind_ = kPaletteNone;
}

void Document::remove_palette_entry(std::size_t i) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (i >= palette_.size()) return;
  palette_.erase(palette_.begin() + std::ptrdiff_t(i));
  options_.colors = palette_colour_count(palette_.size());
}

void Document::set_palette_entry(std::size_t i, Rgba rgba) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (i >= palette_.size()) return;
    palette_[i] = rgba;
  }
  request_run();
}

bool Document::set_pin_entry(std::size_t i, Rgba rgba) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (i >= pins_.size()) return false;
    for (std::size_t j = 0; j < pins_.size(); ++j)
      if (j != i && pins_[j] == rgba) return false;
    pins_[i] = rgba;
  }
  request_run();
  return true;
}

std::uint32_t Document::fix_palette(std::size_t i, Rgba rgba) {
  std::uint32_t count = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!result_.ok || i >= result_.palette_count) return 0;
    count = std::min(result_.palette_count, kPaletteCapacity);
    palette_.resize(count);
    for (std::uint32_t e = 0; e < count; ++e)
      std::copy_n(&result_.palette[std::size_t{e} * 4], 4, palette_[e].begin());
    palette_[i] = rgba;
    palette_name_.clear();
    palette_kind_ = kPaletteEdited;
    pins_.clear();
    options_.colors = palette_colour_count(count);
    use_palette_ = true;
  }
  request_run();
  return count;
}
