// Decodes any image the program reads and writes its RGBA pixels as a PNG, so
// the decoders of two platforms can be compared pixel by pixel.
// Usage: decode_to_png INPUT OUTPUT.png
#include <cstdio>
#include <vector>

#include "io/image_decode.h"
#include "io/png_write.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: decode_to_png INPUT OUTPUT.png\n");
    return 2;
  }
  DecodedImage image;
  IoStatus status = load_image_file(argv[1], image);
  if (!status.ok()) {
    std::fprintf(stderr, "decode_to_png: %s: %s\n", argv[1], io_message(status).c_str());
    return 1;
  }
  std::vector<const std::uint8_t*> rows(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y)
    rows[y] = image.pixels.data() + std::size_t{y} * image.width * 4;
  std::FILE* file = std::fopen(argv[2], "wb");
  if (file == nullptr) return 1;
  status = write_rgba_png(file, image.width, image.height, image.gamma, rows.data());
  bool closed = std::fclose(file) == 0;
  return status.ok() && closed ? 0 : 1;
}
