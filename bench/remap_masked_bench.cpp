// Threshold-mask and mixing-plan remaps against the undithered remap on a
// 1-megapixel synthetic photo-like image with a 256-entry palette.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "engine/remap/remap_plain.h"
#include "engine/dither/remap_masked.h"
#include "engine/colour/work_color.h"
#include "tamble/device.h"
#include "tamble/runtime.h"

namespace {

constexpr std::uint32_t kSide = 1024;

struct Scene {
  std::vector<WorkColor> pixels;
  Palette palette;

  // Smooth gradients with ripples, with or without a little seeded noise.
  explicit Scene(bool noisy) {
    std::uint32_t seed = 1;
    pixels.reserve(static_cast<std::size_t>(kSide) * kSide);
    for (std::uint32_t y = 0; y < kSide; ++y)
      for (std::uint32_t x = 0; x < kSide; ++x) {
        seed = seed * 1664525u + 1013904223u;
        double noise = noisy ? ((seed >> 24) & 15) - 7.5 : 0.0;
        double fx = x / double(kSide), fy = y / double(kSide);
        std::uint8_t rgba[4] = {
            static_cast<std::uint8_t>(std::clamp(255.0 * fx + 20.0 * std::sin(fy * 17.0) + noise, 0.0, 255.0)),
            static_cast<std::uint8_t>(std::clamp(255.0 * fy + 30.0 * std::cos(fx * 11.0) + noise, 0.0, 255.0)),
            static_cast<std::uint8_t>(std::clamp(128.0 + 100.0 * std::sin((fx + fy) * 6.0) + noise, 0.0, 255.0)),
            255};
        pixels.push_back(to_work_color(rgba, kDefaultGamma));
      }
    // 256 entries sampled evenly across the image stand in for a quantized palette.
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t y = (i / 16) * (kSide / 16) + kSide / 32, x = (i % 16) * (kSide / 16) + kSide / 32;
      palette.entries.push_back(PaletteEntry{pixels[static_cast<std::size_t>(y) * kSide + x], 0.0, false});
    }
  }
};

const Scene& scene(bool noisy) {
  static const Scene with_noise(true), without_noise(false);
  return noisy ? with_noise : without_noise;
}

void BM_PlainBaseline(benchmark::State& state) {
  tamble::configure_runtime(0);
  const Scene& s = scene(state.range(0) != 0);
  std::vector<std::uint8_t> out(s.pixels.size());
  for (auto _ : state) {
    Palette p = s.palette;
    remap_plain(tamble::get_cpu_device(), RemapImage{s.pixels.data(), kSide, kSide}, p,
                EngineSettings{}, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(s.pixels.size()));
}

void BM_RemapMasked(benchmark::State& state) {
  tamble::configure_runtime(0);
  const Scene& s = scene(state.range(1) != 0);
  std::vector<std::uint8_t> out(s.pixels.size());
  EngineSettings settings;
  settings.dither = static_cast<DitherKind>(state.range(0));
  for (auto _ : state) {
    remap_masked(tamble::get_cpu_device(), RemapImage{s.pixels.data(), kSide, kSide}, s.palette,
                 settings, nullptr, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(s.pixels.size()));
}

}  // namespace

BENCHMARK(BM_PlainBaseline)->ArgName("noisy")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
// Second argument: 1 noisy photo-like image, 0 the same without noise (more
// repeated colours).
BENCHMARK(BM_RemapMasked)
    ->ArgNames({"kind", "noisy"})
    ->ArgsProduct({{kDitherBayer, kDitherBlueNoise, kDitherMixingPlan}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
