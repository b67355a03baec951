// JPEG test images through libjpeg, which only the Linux build links.
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "tests/io/io_test_support.h"

std::vector<std::uint8_t> make_flat_jpeg(std::uint32_t width, std::uint32_t height, int components,
                                         const std::uint8_t* colour) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<std::uint8_t> row(std::size_t{width} * components);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = colour[i % components];
  while (info.next_scanline < height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}
