#include "engine/working_image.h"

#include "engine/gamma_table.h"
#include "tamble/algorithms.h"

namespace {
struct Rgba8 {
  std::uint8_t c[4];
};
static_assert(sizeof(Rgba8) == 4);

// Same steps as to_work_color, with the power taken from the table.
inline WorkColor convert_pixel(const Rgba8& p, const GammaTable& table) {
  double alpha = p.c[3] / 255.0;
  return linear_to_work_color(alpha, table.linear[p.c[0]] * alpha, table.linear[p.c[1]] * alpha,
                              table.linear[p.c[2]] * alpha);
}
}  // namespace

void convert_working_image(tamble::device* dev, const std::uint8_t* pixels,
                           std::size_t pixel_count, double gamma, WorkColor* out) {
  const GammaTable table(gamma);
  const Rgba8* in = reinterpret_cast<const Rgba8*>(pixels);
  auto convert = [&table](const Rgba8& p) { return convert_pixel(p, table); };
  if (pixel_count >= (std::size_t{1} << 31)) {
    for (std::size_t i = 0; i < pixel_count; ++i) out[i] = convert(in[i]);
    return;
  }
  tamble::transform(dev, in, pixel_count, out, convert);
}
