#include "test_png.h"

#include <png.h>

#include <cstdio>

bool write_test_png(const std::string& path, std::uint32_t width, std::uint32_t height,
                    std::uint32_t gamma_100000) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
  std::vector<png_bytep> rows(height);
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (gamma_100000 > 0) png_set_gAMA_fixed(png, info, gamma_100000);
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
        p[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
        p[1] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
        p[2] = static_cast<std::uint8_t>((x + y) * 37);
        p[3] = 255;
      }
      rows[y] = &pixels[static_cast<std::size_t>(y) * width * 4];
    }
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return ok;
}

PngFacts inspect_png(const std::string& path) {
  PngFacts facts;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return facts;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_read_info(png, info);
    facts.width = png_get_image_width(png, info);
    facts.height = png_get_image_height(png, info);
    facts.color_type = png_get_color_type(png, info);
    facts.bit_depth = png_get_bit_depth(png, info);
    png_colorp palette = nullptr;
    if (png_get_PLTE(png, info, &palette, &facts.palette_size) == 0) facts.palette_size = 0;
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png, info, &gamma)) facts.gamma_100000 = static_cast<std::uint32_t>(gamma);
    facts.readable = true;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return facts;
}
