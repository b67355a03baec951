// Generator of the 64 x 64 blue-noise threshold table in
// engine/dither/blue_noise_table.cpp. Built as tools/make_blue_noise (a test
// checks that the committed table is its output); to regenerate:
//   build/tools/make_blue_noise > engine/dither/blue_noise_table.cpp
//
// 1. Void-and-cluster ranking on a torus (Gaussian energy, sigma 1.5): every
//    pixel gets a rank 0..4095; value = rank / 16, so each byte occurs 16 times.
// 2. The first 16 values of rows 0 and 1 are fixed by compatibility with
//    existing output; each is put in place by swapping with the pixel of the
//    wanted value whose exchange disturbs the texture least.
// 3. A local improvement pass swaps pairs of free pixels while that lowers a
//    spatial-and-value energy, healing the seams those swaps left.
// Everything is seeded, so the output is the same on every run.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr int kCells = kSize * kSize;

constexpr std::array<int, 16> kRow0 = {102, 56, 179, 79, 159, 25, 173, 197,
                                       76, 215, 2, 67, 151, 120, 10, 243};
constexpr std::array<int, 16> kRow1 = {6, 199, 142, 40, 249, 129, 226, 143,
                                       245, 29, 180, 100, 209, 35, 75, 173};

int wrap(int v) { return (v % kSize + kSize) % kSize; }

// Void-and-cluster energy field over the ones of a binary pattern.
class EnergyField {
 public:
  explicit EnergyField(double sigma) : kernel_(kCells), energy_(kCells, 0.0) {
    for (int dy = 0; dy < kSize; ++dy)
      for (int dx = 0; dx < kSize; ++dx) {
        int ry = std::min(dy, kSize - dy), rx = std::min(dx, kSize - dx);
        kernel_[dy * kSize + dx] = std::exp(-(rx * rx + ry * ry) / (2.0 * sigma * sigma));
      }
  }
  void add(int cell, double sign) {
    int cy = cell / kSize, cx = cell % kSize;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        energy_[y * kSize + x] += sign * kernel_[wrap(y - cy) * kSize + wrap(x - cx)];
  }
  // The cell with the largest (cluster) or smallest (void) energy among those
  // whose pattern bit equals `bit`; the first in scan order on ties.
  int extreme(const std::vector<std::uint8_t>& pattern, std::uint8_t bit, bool largest) const {
    int best = -1;
    for (int i = 0; i < kCells; ++i) {
      if (pattern[i] != bit) continue;
      if (best < 0 || (largest ? energy_[i] > energy_[best] : energy_[i] < energy_[best])) best = i;
    }
    return best;
  }

 private:
  std::vector<double> kernel_;
  std::vector<double> energy_;
};

std::vector<int> void_and_cluster_ranks(std::mt19937& rng) {
  const double sigma = 1.5;
  std::vector<std::uint8_t> initial(kCells, 0);
  EnergyField field(sigma);
  int ones = kCells / 10;
  for (int placed = 0; placed < ones;) {
    int cell = static_cast<int>(rng() % kCells);
    if (initial[cell]) continue;
    initial[cell] = 1;
    field.add(cell, 1.0);
    ++placed;
  }
  // Spread the initial points: move the tightest cluster into the largest void
  // until that move would put the point back where it was.
  for (;;) {
    int cluster = field.extreme(initial, 1, true);
    initial[cluster] = 0;
    field.add(cluster, -1.0);
    int hole = field.extreme(initial, 0, false);
    initial[hole] = 1;
    field.add(hole, 1.0);
    if (hole == cluster) break;
  }

  std::vector<int> rank(kCells, -1);
  {
    std::vector<std::uint8_t> pattern = initial;
    EnergyField down(sigma);
    for (int i = 0; i < kCells; ++i)
      if (pattern[i]) down.add(i, 1.0);
    for (int r = ones - 1; r >= 0; --r) {
      int cluster = down.extreme(pattern, 1, true);
      pattern[cluster] = 0;
      down.add(cluster, -1.0);
      rank[cluster] = r;
    }
  }
  // With the full toroidal kernel the zeros' own tightest cluster is the ones'
  // largest void, so one rule fills both halves.
  std::vector<std::uint8_t> pattern = initial;
  for (int r = ones; r < kCells; ++r) {
    int hole = field.extreme(pattern, 0, false);
    pattern[hole] = 1;
    field.add(hole, 1.0);
    rank[hole] = r;
  }
  return rank;
}

// Spatial-and-value energy of a value texture: near pixels with near values cost most.
class SwapEnergy {
 public:
  static constexpr int kRadius = 6;

  SwapEnergy() {
    const double sigma_space = 2.1;
    for (int dy = -kRadius; dy <= kRadius; ++dy)
      for (int dx = -kRadius; dx <= kRadius; ++dx)
        space_[(dy + kRadius) * kSpan + dx + kRadius] =
            std::exp(-(dx * dx + dy * dy) / (sigma_space * sigma_space));
    for (int d = 0; d < 256; ++d) value_[d] = std::exp(-std::sqrt(d / 255.0));
  }

  // Change of energy when the values at cells a and b are exchanged.
  double swap_delta(const std::vector<int>& v, int a, int b) const {
    return side(v, a, b, v[b]) - side(v, a, b, v[a]) + side(v, b, a, v[a]) - side(v, b, a, v[b]);
  }

 private:
  static constexpr int kSpan = 2 * kRadius + 1;

  // Energy between cell `at` holding `value` and its neighbours, `other` excluded.
  double side(const std::vector<int>& v, int at, int other, int value) const {
    int ay = at / kSize, ax = at % kSize;
    double sum = 0.0;
    for (int dy = -kRadius; dy <= kRadius; ++dy)
      for (int dx = -kRadius; dx <= kRadius; ++dx) {
        if (dx == 0 && dy == 0) continue;
        int q = wrap(ay + dy) * kSize + wrap(ax + dx);
        if (q == other) continue;
        sum += space_[(dy + kRadius) * kSpan + dx + kRadius] * value_[std::abs(value - v[q])];
      }
    return sum;
  }

  std::array<double, kSpan * kSpan> space_{};
  std::array<double, 256> value_{};
};

}  // namespace

int main() {
  std::mt19937 rng(0x5eed1234u);
  std::vector<int> rank = void_and_cluster_ranks(rng);
  std::vector<int> value(kCells);
  for (int i = 0; i < kCells; ++i) value[i] = rank[i] / 16;

  std::vector<std::uint8_t> fixed(kCells, 0);
  std::vector<std::pair<int, int>> wanted;
  for (int x = 0; x < 16; ++x) wanted.push_back({x, kRow0[x]});
  for (int x = 0; x < 16; ++x) wanted.push_back({kSize + x, kRow1[x]});
  for (auto [cell, v] : wanted) fixed[cell] = 1;

  SwapEnergy energy;
  for (auto [cell, v] : wanted) {
    if (value[cell] == v) continue;
    int partner = -1;
    double best = 0.0;
    for (int q = 0; q < kCells; ++q) {
      if (fixed[q] || value[q] != v) continue;
      double d = energy.swap_delta(value, cell, q);
      if (partner < 0 || d < best) {
        partner = q;
        best = d;
      }
    }
    std::swap(value[cell], value[partner]);
  }

  // Local improvement: free pixels swap with a near free pixel while it helps.
  for (int round = 0; round < 400000; ++round) {
    int a = static_cast<int>(rng() % kCells);
    int dy = static_cast<int>(rng() % 9) - 4, dx = static_cast<int>(rng() % 9) - 4;
    int b = wrap(a / kSize + dy) * kSize + wrap(a % kSize + dx);
    if (a == b || fixed[a] || fixed[b] || value[a] == value[b]) continue;
    if (energy.swap_delta(value, a, b) < 0.0) std::swap(value[a], value[b]);
  }

  std::printf(
      "// 64 x 64 blue-noise threshold table, generated by tools/make_blue_noise.cpp.\n"
      "// Do not edit by hand: every value 0..255 occurs exactly 16 times.\n"
      "#include \"engine/dither/blue_noise_table.h\"\n\n"
      "const std::uint8_t kBlueNoiseTable[kBlueNoiseSize * kBlueNoiseSize] = {\n");
  for (int y = 0; y < kSize; ++y) {
    std::printf("    // row %d\n", y);
    for (int x0 = 0; x0 < kSize; x0 += 16) {
      std::printf("   ");
      for (int x = x0; x < x0 + 16; ++x) std::printf(" %3d,", value[y * kSize + x]);
      std::printf("\n");
    }
  }
  std::printf("};\n");
  return 0;
}
