// Draws the sample picture that `make run` quantizes: smooth gradients, a
// colour wheel, soft-edged shapes over partial transparency and fine texture.
// Usage: make_sample OUT.png
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr double kPi = 3.14159265358979323846;

struct Rgba {
  double r, g, b, a;  // 0..1, straight alpha
};

Rgba hsv(double h, double s, double v) {
  h = std::fmod(h, 1.0) * 6.0;
  int i = static_cast<int>(h);
  double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  switch (i % 6) {
    case 0: return {v, t, p, 1};
    case 1: return {q, v, p, 1};
    case 2: return {p, v, t, 1};
    case 3: return {p, q, v, 1};
    case 4: return {t, p, v, 1};
    default: return {v, p, q, 1};
  }
}

// Source-over compositing of straight-alpha colours.
Rgba over(const Rgba& top, const Rgba& bottom) {
  double a = top.a + bottom.a * (1 - top.a);
  if (a <= 0) return {0, 0, 0, 0};
  auto mix = [&](double t, double b) { return (t * top.a + b * bottom.a * (1 - top.a)) / a; };
  return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), a};
}

double smoothstep(double e0, double e1, double x) {
  double t = std::fmin(1.0, std::fmax(0.0, (x - e0) / (e1 - e0)));
  return t * t * (3 - 2 * t);
}

// Deterministic hash noise in 0..1.
double noise(int x, int y) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

Rgba pixel(int x, int y) {
  double u = x / double(kWidth - 1), v = y / double(kHeight - 1);
  // Background: a sky-like vertical gradient blended with a warm horizontal one.
  Rgba c{0.15 + 0.6 * u * (1 - v), 0.3 + 0.5 * (1 - v), 0.55 + 0.4 * v * (1 - u), 1.0};
  // Right-hand strip fades to transparent towards the bottom.
  if (u > 0.8) c.a = 1.0 - 0.9 * smoothstep(0.2, 1.0, v);
  // Colour wheel with a soft rim.
  double dx = x - 300.0, dy = y - 300.0, r = std::sqrt(dx * dx + dy * dy);
  double wheel = 1.0 - smoothstep(200.0, 206.0, r);
  if (wheel > 0) {
    Rgba w = hsv(std::atan2(dy, dx) / (2 * kPi) + 0.5, std::fmin(1.0, r / 200.0), 1.0);
    w.a = wheel;
    c = over(w, c);
  }
  // Soft translucent shapes: two discs and a rounded bar.
  struct Disc {
    double cx, cy, radius, soft;
    Rgba colour;
  } discs[] = {{680, 260, 150, 40, {0.9, 0.2, 0.3, 0.55}},
               {800, 420, 120, 25, {0.2, 0.8, 0.4, 0.45}},
               {560, 600, 90, 60, {1.0, 0.85, 0.1, 0.7}}};
  for (const Disc& d : discs) {
    double dd = std::hypot(x - d.cx, y - d.cy);
    double k = 1.0 - smoothstep(d.radius - d.soft, d.radius, dd);
    if (k > 0) {
      Rgba s = d.colour;
      s.a *= k;
      c = over(s, c);
    }
  }
  double bar = (1.0 - smoothstep(0, 12, std::fabs(y - 690.0) - 30)) *
               (1.0 - smoothstep(0, 12, std::fabs(x - 300.0) - 240));
  if (bar > 0) c = over({0.1, 0.1, 0.12, 0.8 * bar}, c);
  // Fine texture: a woven pattern with noise in the lower-left corner.
  if (u < 0.25 && v > 0.75) {
    double t = 0.5 + 0.25 * std::sin(x * 1.7) * std::sin(y * 1.3) + 0.25 * (noise(x, y) - 0.5);
    c = over({0.55 * t + 0.2, 0.4 * t + 0.15, 0.3 * t + 0.1, 0.9}, c);
  }
  return c;
}

std::uint8_t to_byte(double v) {
  long b = std::lround(std::fmin(1.0, std::fmax(0.0, v)) * 255.0);
  return static_cast<std::uint8_t>(b);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample OUT.png\n");
    return 1;
  }
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      Rgba c = pixel(x, y);
      std::uint8_t* p = &rgba[4 * (static_cast<std::size_t>(y) * kWidth + x)];
      p[0] = to_byte(c.r);
      p[1] = to_byte(c.g);
      p[2] = to_byte(c.b);
      p[3] = to_byte(c.a);
    }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, argv[1], 0, rgba.data(), 0, nullptr)) {
    std::fprintf(stderr, "make_sample: %s: %s\n", argv[1], image.message);
    return 1;
  }
  return 0;
}
