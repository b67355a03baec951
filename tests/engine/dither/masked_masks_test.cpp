#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/dither/bayer_matrix.h"
#include "engine/dither/blue_noise_table.h"

namespace {

constexpr int kN = kBlueNoiseSize;

TEST(BayerMatrix, FirstAndLastRowsAndEveryRankOnce) {
  const std::array<int, 8> first = {0, 32, 8, 40, 2, 34, 10, 42};
  const std::array<int, 8> last = {63, 31, 55, 23, 61, 29, 53, 21};
  std::array<int, 64> seen{};
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(kBayerMatrix[0][x], first[x]) << x;
    EXPECT_EQ(kBayerMatrix[7][x], last[x]) << x;
  }
  for (const auto& row : kBayerMatrix)
    for (int v : row) ++seen[v];
  for (int v = 0; v < 64; ++v) EXPECT_EQ(seen[v], 1) << v;
  EXPECT_DOUBLE_EQ(bayer_mask_value(0, 0), -0.4921875);
  EXPECT_DOUBLE_EQ(bayer_mask_value(8, 15), 0.4921875);  // [7][0] = 63
}

TEST(BlueNoiseTable, KeepsTheFixedRowStartsAndAnEvenHistogram) {
  const std::array<int, 16> row0 = {102, 56, 179, 79, 159, 25, 173, 197,
                                    76, 215, 2, 67, 151, 120, 10, 243};
  const std::array<int, 16> row1 = {6, 199, 142, 40, 249, 129, 226, 143,
                                    245, 29, 180, 100, 209, 35, 75, 173};
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(kBlueNoiseTable[x], row0[x]) << x;
    EXPECT_EQ(kBlueNoiseTable[kN + x], row1[x]) << x;
  }
  std::array<int, 256> count{};
  for (int i = 0; i < kN * kN; ++i) ++count[kBlueNoiseTable[i]];
  for (int v = 0; v < 256; ++v) EXPECT_EQ(count[v], 16) << v;
  EXPECT_DOUBLE_EQ(blue_noise_mask_value(64, 128), blue_noise_mask_value(0, 0));
  EXPECT_DOUBLE_EQ(blue_noise_mask_value(0, 0), (102 + 0.5) / 256.0 - 0.5);
}

// The same values in a seeded random order: white noise with the same histogram.
std::vector<int> shuffled_table() {
  std::vector<int> v(kBlueNoiseTable, kBlueNoiseTable + kN * kN);
  std::uint32_t s = 12345;
  for (int i = kN * kN - 1; i > 0; --i) {
    s = s * 1664525u + 1013904223u;
    std::swap(v[i], v[(s >> 8) % static_cast<std::uint32_t>(i + 1)]);
  }
  return v;
}

struct BoxDeviation {
  double largest;
  double rms;
};

// Deviation from 127.5 of the toroidal 3 x 3 box mean at every cell.
BoxDeviation box_deviation(const std::vector<int>& v) {
  BoxDeviation d{0.0, 0.0};
  for (int y = 0; y < kN; ++y)
    for (int x = 0; x < kN; ++x) {
      int sum = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) sum += v[((y + dy + kN) % kN) * kN + (x + dx + kN) % kN];
      double dev = std::fabs(sum / 9.0 - 127.5);
      d.largest = std::max(d.largest, dev);
      d.rms += dev * dev;
    }
  d.rms = std::sqrt(d.rms / (kN * kN));
  return d;
}

// Spectral energy at the non-zero frequencies within `radius` cycles per tile.
double low_frequency_energy(const std::vector<int>& v, int radius) {
  std::array<double, kN> cosine{}, sine{};
  for (int k = 0; k < kN; ++k) {
    cosine[k] = std::cos(2.0 * std::numbers::pi * k / kN);
    sine[k] = std::sin(2.0 * std::numbers::pi * k / kN);
  }
  double energy = 0.0;
  for (int u = -radius; u <= radius; ++u)
    for (int w = -radius; w <= radius; ++w) {
      if ((u == 0 && w == 0) || u * u + w * w > radius * radius) continue;
      double re = 0.0, im = 0.0;
      for (int y = 0; y < kN; ++y)
        for (int x = 0; x < kN; ++x) {
          int phase = ((u * x + w * y) % kN + kN) % kN;
          double c = v[y * kN + x] - 127.5;
          re += c * cosine[phase];
          im -= c * sine[phase];
        }
      energy += re * re + im * im;
    }
  return energy;
}

TEST(BlueNoiseTable, IsBlue) {
  std::vector<int> blue(kBlueNoiseTable, kBlueNoiseTable + kN * kN);
  std::vector<int> white = shuffled_table();
  BoxDeviation b = box_deviation(blue), w = box_deviation(white);
  // Local means of a blue texture stay near the middle everywhere.
  EXPECT_LT(b.rms, 0.6 * w.rms);
  EXPECT_LT(b.largest, 0.6 * w.largest);
  EXPECT_LT(b.largest, 50.0);
  // Little energy at low frequencies.
  EXPECT_LT(low_frequency_energy(blue, 8), 0.05 * low_frequency_energy(white, 8));
}

}  // namespace
