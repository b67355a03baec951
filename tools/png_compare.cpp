// Compares two quantized PNGs made from the same input by different builds:
// the same size, the same number of palette colours, and no channel of any
// pixel further apart than a tolerance. Exit code 0 when they agree.
// Usage: png_compare A.png B.png TOLERANCE
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "io/image_decode.h"
#include "io/palette_file.h"

namespace {

int palette_size(const char* path) {
  std::uint8_t colours[256 * 4];
  std::string message;
  int count = 0;
  return read_palette_file(path, colours, 256, count, message).ok() ? count : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: png_compare A.png B.png TOLERANCE\n");
    return 2;
  }
  const int tolerance = std::atoi(argv[3]);
  DecodedImage a, b;
  IoStatus status = load_image_file(argv[1], a);
  if (status.ok()) status = load_image_file(argv[2], b);
  if (!status.ok()) {
    std::fprintf(stderr, "png_compare: %s\n", io_message(status).c_str());
    return 2;
  }
  if (a.width != b.width || a.height != b.height) {
    std::fprintf(stderr, "png_compare: %ux%u against %ux%u\n", a.width, a.height, b.width, b.height);
    return 1;
  }
  const int colours_a = palette_size(argv[1]), colours_b = palette_size(argv[2]);
  if (colours_a != colours_b) {
    std::fprintf(stderr, "png_compare: %d palette colours against %d\n", colours_a, colours_b);
    return 1;
  }
  int worst = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    worst = std::max(worst, std::abs(int{a.pixels[i]} - int{b.pixels[i]}));
  if (worst > tolerance) {
    std::fprintf(stderr, "png_compare: channels differ by up to %d (allowed %d)\n", worst, tolerance);
    return 1;
  }
  return 0;
}
