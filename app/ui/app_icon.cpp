#include "app/ui/app_icon.h"

#include <algorithm>
#include <cmath>

namespace {

// A gradient from warm to cool, as a reduced palette would keep it.
constexpr std::uint8_t kSwatches[16][3] = {
    {230, 57, 70},  {244, 162, 97}, {233, 196, 106}, {138, 201, 38},
    {241, 91, 80},  {247, 184, 1},  {106, 190, 104}, {42, 157, 143},
    {214, 40, 100}, {153, 102, 204}, {38, 70, 83},   {69, 123, 157},
    {120, 60, 160}, {29, 53, 87},   {168, 218, 220}, {241, 250, 238}};

// Coverage of (x, y) by a rounded rectangle, antialiased over one pixel.
float rounded_cover(float x, float y, float left, float top, float right, float bottom, float radius) {
  float cx = std::clamp(x, left + radius, right - radius);
  float cy = std::clamp(y, top + radius, bottom - radius);
  float distance = std::hypot(x - cx, y - cy);
  return std::clamp(radius + 0.5f - distance, 0.0f, 1.0f);
}

}  // namespace

std::vector<std::uint8_t> draw_app_icon(int size) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4, 0);
  const float s = static_cast<float>(size);
  const float inset = s * 0.04f, corner = s * 0.18f;
  const float grid = s * 0.14f, cell = (s - 2 * grid) / 4.0f, gap = std::max(1.0f, s * 0.02f);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      float tile = rounded_cover(px, py, inset, inset, s - inset, s - inset, corner);
      float rgb[3] = {32, 34, 40};
      int column = static_cast<int>((px - grid) / cell), row = static_cast<int>((py - grid) / cell);
      if (px >= grid && py >= grid && column < 4 && row < 4) {
        float left = grid + column * cell + gap / 2, top = grid + row * cell + gap / 2;
        float swatch = rounded_cover(px, py, left, top, left + cell - gap, top + cell - gap, cell * 0.18f);
        for (int c = 0; c < 3; ++c)
          rgb[c] = rgb[c] * (1 - swatch) + kSwatches[row * 4 + column][c] * swatch;
      }
      std::uint8_t* out = pixels.data() + (static_cast<std::size_t>(y) * size + x) * 4;
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(std::lround(rgb[c]));
      out[3] = static_cast<std::uint8_t>(std::lround(tile * 255.0f));
    }
  }
  return pixels;
}
