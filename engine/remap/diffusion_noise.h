#pragma once
// Seeded noise for the first row of error diffusion: a fixed-start xorshift
// sequence whose values, read as doubles, lie in [1, 2). The same start on
// every call makes every run give the same result.
#include <bit>
#include <cstdint>

class DiffusionNoise {
 public:
  // Next value of x(n) = g(x(n-3)) ^ x(n-1), g(x) = h ^ (h >> 33),
  // h = (x ^ (x << 19)) & (2^52 - 1). The mask keeps x(n-1)'s exponent bits.
  double next() {
    std::uint64_t h = (x1_ ^ (x1_ << 19)) & kMantissa;
    std::uint64_t x = (h ^ (h >> 33)) ^ x3_;
    x1_ = x2_;
    x2_ = x3_;
    x3_ = x;
    return std::bit_cast<double>(x);
  }

  // A value centred on zero, within plus or minus half a byte step.
  double next_error() { return (next() - 1.5) / 255.0; }

 private:
  static constexpr std::uint64_t kMantissa = (std::uint64_t{1} << 52) - 1;
  std::uint64_t x1_ = 0x3FFA55E57770877Eull;
  std::uint64_t x2_ = 0x3FF91333A0616C1Cull;
  std::uint64_t x3_ = 0x3FF4F0C9F9E24A2Bull;
};
