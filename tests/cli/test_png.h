#pragma once
// Small PNG files written and inspected with libpng, independent of our own writer.
#include <cstdint>
#include <string>
#include <vector>

struct PngFacts {
  bool readable = false;
  std::uint32_t width = 0, height = 0;
  int color_type = -1;
  int bit_depth = 0;
  int palette_size = 0;
  std::uint32_t gamma_100000 = 0;  // 0 when there is no gAMA chunk
};

// A width x height RGBA gradient; gamma_100000 > 0 adds a gAMA chunk.
bool write_test_png(const std::string& path, std::uint32_t width, std::uint32_t height,
                    std::uint32_t gamma_100000 = 0);
PngFacts inspect_png(const std::string& path);
