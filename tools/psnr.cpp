// PSNR of a quantized image against its source, both composited over white:
// 10 log10(1 / MSE) with channels scaled to 0..1. Usage: psnr SOURCE RESULT
#include <cmath>
#include <cstdio>
#include <string>

#include "io/image_decode.h"

namespace {
double over_white(std::uint8_t c, std::uint8_t a) { return (c * a + 255.0 * (255 - a)) / (255.0 * 255.0); }
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: psnr SOURCE RESULT\n");
    return 1;
  }
  DecodedImage a, b;
  IoStatus status = load_image_file(argv[1], a);
  if (status.ok()) status = load_image_file(argv[2], b);
  if (!status.ok()) {
    std::fprintf(stderr, "psnr: %s\n", io_message(status).c_str());
    return 1;
  }
  if (a.width != b.width || a.height != b.height) {
    std::fprintf(stderr, "psnr: sizes differ\n");
    return 1;
  }
  double sum = 0;
  std::size_t n = static_cast<std::size_t>(a.width) * a.height;
  for (std::size_t i = 0; i < n; ++i)
    for (int c = 0; c < 3; ++c) {
      double d = over_white(a.pixels[4 * i + c], a.pixels[4 * i + 3]) -
                 over_white(b.pixels[4 * i + c], b.pixels[4 * i + 3]);
      sum += d * d;
    }
  double mse = sum / (3.0 * n);
  if (mse <= 0) std::printf("inf\n");
  else std::printf("%.3f\n", 10.0 * std::log10(1.0 / mse));
  return 0;
}
