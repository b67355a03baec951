#include "app/document/png_size.h"

#include "engine/colour/default_gamma.h"
#include "io/png_write.h"

std::vector<const std::uint8_t*> row_pointers(const std::uint8_t* first, std::uint32_t height,
                                              std::size_t row_bytes) {
  std::vector<const std::uint8_t*> rows(height);
  for (std::uint32_t y = 0; y < height; ++y) rows[y] = first + y * row_bytes;
  return rows;
}

std::uint64_t image_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                             const std::uint8_t* rgba) {
  if (rgba == nullptr || width == 0 || height == 0) return 0;
  std::vector<const std::uint8_t*> rows = row_pointers(rgba, height, std::size_t{width} * 4);
  return rgba_png_size(width, height, gamma > 0.0 ? gamma : kDefaultGamma, rows.data());
}

std::uint64_t result_png_size(const QuantResult& result) {
  const std::size_t pixels = std::size_t{result.width} * result.height;
  if (!result.indices_available || pixels == 0 || result.indices.size() != pixels) return 0;
  std::vector<const std::uint8_t*> rows =
      row_pointers(result.indices.data(), result.height, result.width);
  return indexed_png_size(result.width, result.height, result.gamma, rows.data(),
                          result.palette.data(), result.palette_count);
}
