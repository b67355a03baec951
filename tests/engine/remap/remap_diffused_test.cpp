#include <gtest/gtest.h>

#include <bit>

#include "engine/remap/diffusion_noise.h"
#include "engine/remap/remap_diffused.h"
#include "engine/remap/remap_plain.h"
#include "tests/engine/remap/remap_test_support.h"

namespace {

tamble::device* cpu() { return tamble::get_cpu_device(); }
constexpr double kNoDamping = 1e20;

std::vector<std::uint8_t> diffuse(EngineSettings s, const TestImage& img, const Palette& p,
                                  const double* edge, double threshold = 1.0,
                                  const std::vector<std::uint8_t>* plain = nullptr) {
  std::vector<std::uint8_t> out(img.pixels.size(), 0);
  if (plain) out = *plain;
  s.min_opaque_alpha = threshold;
  remap_diffused(cpu(), img.view(), p, s, edge, plain != nullptr, kNoDamping, out.data());
  return out;
}

Palette black_and_white() { return make_palette({opaque_grey(0.0), opaque_grey(1.0)}); }

TEST(DiffusionNoise, ValuesAreDoublesBetweenOneAndTwo) {
  DiffusionNoise noise;
  std::uint64_t first = std::bit_cast<std::uint64_t>(noise.next());
  EXPECT_EQ(first >> 52, 0x3FFu);
  DiffusionNoise again;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(again.next()), first);  // same start every time
  for (int i = 0; i < 10000; ++i) {
    double v = noise.next();
    ASSERT_GE(v, 1.0);
    ASSERT_LT(v, 2.0);
  }
}

TEST(RemapDiffused, ZeroStrengthDecidesEveryPixelOnItsOwn) {
  EngineSettings s;
  s.dither_strength = 0.0;
  TestImage img = ramp_image(90, 40, 3);
  Palette p = ramp_palette(40, 4);
  std::vector<double> edge(img.pixels.size(), 1.0);
  std::vector<std::uint8_t> out = diffuse(s, img, p, edge.data());
  nearest_index index(cpu(), p, 1.0, s.metric());
  for (std::size_t i = 0; i < img.pixels.size(); ++i)
    ASSERT_EQ(out[i], find_nearest(index, img.pixels[i]).index) << "pixel " << i;
}

TEST(RemapDiffused, ColoursOutsideThePaletteBoxAreClampedFirst) {
  EngineSettings s;
  s.dither_strength = 0.0;
  // Entry 0 is nearer to the raw colour; once L is pulled into the palette
  // box (0.45..0.55, widened to 0.425..0.575) entry 1, whose chroma matches, is.
  Palette p = make_palette({WorkColor{1.0, 0.55, kNeutralA, kNeutralB}, WorkColor{1.0, 0.45, 0.5, kNeutralB}});
  TestImage img = filled_image(1, 1, WorkColor{1.0, 1.0, 0.5, kNeutralB});
  nearest_index index(cpu(), p, 1.0, s.metric());
  ASSERT_EQ(find_nearest(index, img.pixels[0]).index, 0);
  ASSERT_EQ(find_nearest(index, WorkColor{1.0, 0.575, 0.5, kNeutralB}).index, 1);
  EXPECT_EQ(diffuse(s, img, p, nullptr)[0], 1);
}

TEST(RemapDiffused, OneEntryPaletteTakesEveryPixel) {
  EngineSettings s;
  TestImage img = ramp_image(33, 17, 8);
  img.at(5, 5).alpha = 0.0;
  Palette p = make_palette({WorkColor{1.0, 0.5, 0.4, 0.5}});
  std::vector<std::uint8_t> zeros(img.pixels.size(), 0);
  for (std::uint8_t k : diffuse(s, img, p, nullptr)) ASSERT_EQ(k, 0);
  for (std::uint8_t k : diffuse(s, img, p, nullptr, 1.0, &zeros)) ASSERT_EQ(k, 0);
}

TEST(RemapDiffused, FirstPixelSeesTheSeededNoiseAlone) {
  EngineSettings s;
  DiffusionNoise noise;
  for (int i = 0; i < 4; ++i) noise.next_error();  // slot 0, left of the first column
  const double noise_L = noise.next_error();
  ASSERT_NE(noise_L, 0.0);
  EXPECT_LE(std::abs(noise_L), 0.5 / 255);
  // Black and white split at L 0.5; the pixel sits on the other side of it
  // than where the noise (at level 1) pushes it.
  Palette p = make_palette({opaque_grey(0.4), opaque_grey(0.6)});
  TestImage img = filled_image(1, 1, opaque_grey(0.5 - noise_L / 2));
  const double edge[1] = {1.0};
  EXPECT_EQ(diffuse(s, img, p, edge)[0], noise_L > 0 ? 1 : 0);
  s.dither_strength = 0.0;
  EXPECT_EQ(diffuse(s, img, p, edge)[0], noise_L > 0 ? 0 : 1);
}

TEST(RemapDiffused, SecondRowRunsRightToLeft) {
  EngineSettings s;
  // Row 0 neither takes nor passes error, so row 1 starts clean: its right
  // pixel (decided first) pushes the left one from white to black.
  const std::uint8_t map[4] = {0, 0, 128, 128};
  s.dither_map = map;
  s.dither_width = 2;
  s.dither_height = 2;
  TestImage img = filled_image(2, 2, opaque_grey(0.5));
  img.at(0, 1) = opaque_grey(0.51);
  img.at(1, 1) = opaque_grey(0.9);
  std::vector<std::uint8_t> out = diffuse(s, img, black_and_white(), nullptr);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 1);
  // Mirrored, the left pixel would be decided first and both would be white.
  std::swap(img.at(0, 1), img.at(1, 1));
  out = diffuse(s, img, black_and_white(), nullptr);
  EXPECT_EQ(out[2], 1);
  EXPECT_EQ(out[3], 1);
}

TEST(RemapDiffused, ErrorOfPixelsBeyondTheDiffusionLimitIsDamped) {
  // The first pixel goes white with an error of about -0.3 in L; passed on in
  // full it pushes the second (0.59) below the split, damped by a quarter not.
  TestImage img = filled_image(2, 1, opaque_grey(0.7));
  img.at(1, 0) = opaque_grey(0.59);
  Palette p = black_and_white();
  for (double limit : {1e20, 0.0}) {
    std::vector<std::uint8_t> out(2);
    remap_diffused(cpu(), img.view(), p, EngineSettings{}, nullptr, false, limit, out.data());
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], limit > 0 ? 0 : 1) << "limit " << limit;
  }
}

// Outputs right of column `band` for two images that differ only left of it.
void expect_right_side_independent(const EngineSettings& s, TestImage a, std::uint32_t band, const double* edge) {
  TestImage b = a;
  for (std::uint32_t y = 0; y < a.height; ++y)
    for (std::uint32_t x = 0; x < band; ++x) b.at(x, y).L = 1.0 - b.at(x, y).L;
  Palette p = ramp_palette(16, 12);
  std::vector<std::uint8_t> out_a = diffuse(s, a, p, edge), out_b = diffuse(s, b, p, edge);
  int differing_left = 0;
  for (std::uint32_t y = 0; y < a.height; ++y) {
    for (std::uint32_t x = 0; x < a.width; ++x) {
      std::size_t i = std::size_t{y} * a.width + x;
      if (x > band) {
        ASSERT_EQ(out_a[i], out_b[i]) << x << "," << y;
      } else if (x < band) {
        differing_left += out_a[i] != out_b[i];
      }
    }
  }
  EXPECT_GT(differing_left, 0);
}

TEST(RemapDiffused, ZeroDitherMapCutsTheErrorChain) {
  EngineSettings s;
  TestImage img = ramp_image(40, 30, 9);
  std::vector<std::uint8_t> map(img.pixels.size(), 200);
  for (std::uint32_t y = 0; y < img.height; ++y) map[std::size_t{y} * img.width + 20] = 0;
  s.dither_map = map.data();
  s.dither_width = img.width;
  s.dither_height = img.height;
  expect_right_side_independent(s, img, 20, nullptr);
}

TEST(RemapDiffused, TransparentPixelsTakeTheTransparentIndexAndPassNoError) {
  EngineSettings s;
  TestImage img = ramp_image(40, 30, 10);
  for (std::uint32_t y = 0; y < img.height; ++y) img.at(20, y) = WorkColor{0.002, 0.3, 0.4, 0.5};
  std::vector<double> edge(img.pixels.size(), 1.0);
  expect_right_side_independent(s, img, 20, edge.data());

  Palette p = ramp_palette(16, 12);
  p.entries[7].color = WorkColor{0.0, 0.0, kNeutralA, kNeutralB};
  std::vector<std::uint8_t> out = diffuse(s, img, p, edge.data());
  for (std::uint32_t y = 0; y < img.height; ++y) EXPECT_EQ(out[std::size_t{y} * img.width + 20], 7);
}

TEST(RemapDiffused, PlainRemapGuessesGiveTheSameResultOnWellSpreadPalettes) {
  EngineSettings s;
  TestImage img = ramp_image(120, 60, 13);
  Palette p = ramp_palette(24, 14);
  std::vector<double> edge(img.pixels.size(), 1.0);
  std::vector<std::uint8_t> plain(img.pixels.size());
  Palette moved = p;
  remap_plain(cpu(), img.view(), moved, s, plain.data());
  EXPECT_EQ(diffuse(s, img, p, edge.data(), 1.0, &plain), diffuse(s, img, p, edge.data()));
}

TEST(RemapDiffused, OpaquePixelKeepsTranslucentPlainEntryOnlyWithinItsRadius) {
  EngineSettings s;
  s.dither_strength = 0.0;
  const double threshold = 238.0 / 255.0;
  // Translucent T at L 0.5, opaque O at 0.53: T's radius is (0.0002 + 0.0009) / 4.
  Palette p = make_palette({WorkColor{0.99, 0.5, kNeutralA, kNeutralB}, opaque_grey(0.53)});
  TestImage img = filled_image(2, 1, opaque_grey(0.5));  // 0.0002 from T: inside
  img.at(1, 0) = opaque_grey(0.512);                    // 0.000344 from T: outside
  std::vector<std::uint8_t> plain{0, 0};
  std::vector<std::uint8_t> out = diffuse(s, img, p, nullptr, threshold, &plain);
  EXPECT_EQ(out[0], 0);  // kept, although the penalised search would pick O
  EXPECT_EQ(out[1], 1);
  EXPECT_EQ(diffuse(s, img, p, nullptr, threshold)[0], 1);
}

// Every row kernel on one picture: translucent and transparent pixels and
// entries, the opaque threshold on and off, guesses or none, a damping limit
// that some pixels pass.
TEST(RemapDiffused, RowKernelsOfEveryLevelGiveTheSameBytes) {
  TestImage img = ramp_image(97, 41, 21);
  for (std::uint32_t y = 0; y < img.height; ++y) {
    img.at(y % img.width, y).alpha = 0.5;
    img.at((3 * y) % img.width, y).alpha = 0.0;
  }
  Palette p = ramp_palette(200, 22);
  p.entries[3].color.alpha = 0.95;
  p.entries[9].color = WorkColor{0.0, 0.0, kNeutralA, kNeutralB};
  std::vector<double> edge(img.pixels.size(), 1.0);
  // Vividness other than 1 takes the kernels' general distance.
  for (double vividness : {1.0, 2.5})
    for (double threshold : {1.0, 238.0 / 255.0})
      for (bool remapped : {false, true}) {
        EngineSettings s = opaque_from(threshold);
        s.chroma_weight = vividness;
        std::vector<std::uint8_t> plain(img.pixels.size());
        Palette moved = p;
        remap_plain(cpu(), img.view(), moved, s, plain.data());
        std::vector<std::uint8_t> want = plain;
        remap_diffused(cpu(), img.view(), p, s, edge.data(), remapped, 2e-4, want.data(), 0, 0.0);
        // Each level with the windows measured only where the radius fails,
        // and on every guessed pixel.
        for (int level : {0, 2})
          for (double eager_below : {0.0, 2.0}) {
            std::vector<std::uint8_t> got = plain;
            remap_diffused(cpu(), img.view(), p, s, edge.data(), remapped, 2e-4, got.data(), level, eager_below);
            EXPECT_EQ(got, want) << "vividness " << vividness << " threshold " << threshold << " remapped "
                                 << remapped << " level " << level << " eager below " << eager_below;
          }
      }
}

// Without dithering each pixel takes its guess when within the guess's
// radius, else the full search's answer, whatever the guess: here random
// ones, on rows that measure every guessed pixel's window, with tied
// duplicate entries and palettes smaller and larger than the window.
TEST(RemapDiffused, EagerRowsKeepOrReplaceAnyGuessExactly) {
  EngineSettings s;
  s.dither_strength = 0.0;
  std::mt19937_64 rng(5);
  for (std::uint32_t n : {3u, 40u, 256u}) {
    Palette p = ramp_palette(n, n);
    p.entries[n - 1] = p.entries[0];  // a tie, the guess often the larger index
    p.entries[n / 2] = p.entries[1];
    // Colours within the palette's extent, which no clamp moves.
    WorkColor lo = p.entries[0].color, hi = lo;
    for (const PaletteEntry& e : p.entries) {
      lo = WorkColor{1.0, std::min(lo.L, e.color.L), std::min(lo.a, e.color.a), std::min(lo.b, e.color.b)};
      hi = WorkColor{1.0, std::max(hi.L, e.color.L), std::max(hi.a, e.color.a), std::max(hi.b, e.color.b)};
    }
    TestImage img = filled_image(64, 12, lo);
    for (std::size_t i = 0; i < img.pixels.size(); ++i)  // some translucent, off the opaque path
      img.pixels[i] = WorkColor{i % 7 ? 1.0 : 0.75, uniform(rng, lo.L, hi.L), uniform(rng, lo.a, hi.a),
                                uniform(rng, lo.b, hi.b)};
    std::vector<std::uint8_t> plain(img.pixels.size());
    for (std::size_t i = 0; i < plain.size(); ++i)
      plain[i] = static_cast<std::uint8_t>(i % 3 == 0 ? n - 1 : rng() % n);
    std::vector<double> radius(n, 1e20);
    for (std::uint32_t i = 0; i < n; ++i)
      for (std::uint32_t j = 0; j < n; ++j)
        if (i != j) radius[i] = std::min(radius[i], color_difference(p.entries[i].color, p.entries[j].color, 1.0, 1.0));
    std::vector<std::uint8_t> want(plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) {
      const std::uint8_t r = plain[i];
      const bool within = radius[r] / 4 > color_difference(img.pixels[i], p.entries[r].color, 1.0, 1.0);
      want[i] = within ? r : static_cast<std::uint8_t>(brute_force_nearest(p, img.pixels[i], 1.0).index);
    }
    for (int level : {0, 2}) {
      std::vector<std::uint8_t> got = plain;
      remap_diffused(cpu(), img.view(), p, s, nullptr, true, kNoDamping, got.data(), level, 2.0);
      EXPECT_EQ(got, want) << n << " entries, level " << level;
    }
  }
}

TEST(RemapDiffused, StoredIndexOutsideThePaletteIsSearchedAfresh) {
  EngineSettings s;
  Palette p = black_and_white();
  TestImage img = filled_image(3, 1, opaque_grey(0.9));
  std::vector<std::uint8_t> garbage{200, 2, 255};
  for (std::uint8_t k : diffuse(s, img, p, nullptr, 1.0, &garbage)) EXPECT_LT(k, 2);
}

}  // namespace

// A 4 x 3 grid followed by hand through the diffusion. Every pixel and both
// entries have alpha 0.5, so each error is E = (L' - entry L) x (0.5 + 3) / 4
// and the entry is the light one when L' is above 0.2. The box is
// [-0.1, 0.5]. Serpentine: row 1 runs right to left. The seeded noise (below
// 0.002) moves no decision: the closest one is 0.007 from 0.2.
//   (x,y)  L      incoming  L'                   entry  7/8 E
//   (0,0)  0.070  +0.000    0.070                0      +0.061
//   (1,0)  0.420  +0.027    0.447                1      +0.041
//   (2,0)  0.190  +0.018    0.208                1      -0.168
//   (3,0)  0.025  -0.074    -0.049, clamped 0    0       0
//   (3,1)  0.140   0.000    0.140                0      +0.123
//   (2,1)  0.365  +0.001    0.366                1      -0.030
//   (1,1)  0.235  -0.042    0.193                0      +0.169
//   (0,1)  0.390  +0.103    0.493                1      +0.082
//   (0,2)  0.120  +0.026    0.146                0      +0.127
//   (1,2)  0.435  +0.129    0.564, boxed 0.5     1      +0.088
//   (2,2)  0.120  +0.071    0.191                0      +0.167
//   (3,2)  0.105  +0.104    0.209                1      -0.167
// Other weights than 7, 4, 5, 0, another alpha factor, or either clamp
// left out changes at least one entry.
TEST(RemapDiffused, GridFollowedByHand) {
  EngineSettings s;
  s.dither_strength = 1.0;
  const double L[3][4] = {{0.07, 0.42, 0.19, 0.025}, {0.39, 0.235, 0.365, 0.14},
                          {0.12, 0.435, 0.12, 0.105}};
  TestImage img = filled_image(4, 3, opaque_grey(0));
  for (std::uint32_t y = 0; y < 3; ++y)
    for (std::uint32_t x = 0; x < 4; ++x) img.at(x, y) = WorkColor{0.5, L[y][x], kNeutralA, kNeutralB};
  const Palette p = make_palette({WorkColor{0.5, 0.0, kNeutralA, kNeutralB},
                                  WorkColor{0.5, 0.4, kNeutralA, kNeutralB}});
  const std::vector<double> edge(12, 1.0);
  EXPECT_EQ(diffuse(s, img, p, edge.data()),
            (std::vector<std::uint8_t>{0, 1, 1, 0,  //
                                       1, 0, 1, 0,  //
                                       0, 1, 0, 1}));
}
