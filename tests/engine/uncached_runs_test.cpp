// A face that runs each image once keeps no caches: its runs hold the image
// as numbered colours, free each map once read, and must give exactly the
// bytes of a cached run.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/input_release.h"
#include "tamble/runtime.h"
#include "engine/run_stats.h"
#include "pipeline_test_images.h"

using test_images::quantize;

namespace {

// A gradient of few colours (so the numbered form is taken) with a
// half-transparent corner.
std::vector<std::uint8_t> banded(std::uint32_t w, std::uint32_t h) {
  std::vector<std::uint8_t> px = test_images::gradient(w, h, true);
  for (std::size_t i = 0; i < px.size(); ++i)
    if (i % 4 != 3) px[i] &= 0xF0;
  return px;
}

TEST(UncachedRuns, GiveTheCachedRunsBytesInEveryModeAndLeaveNothingBehind) {
  const std::uint32_t w = 97, h = 83;
  const auto px = banded(w, h);
  std::vector<std::uint8_t> focus(std::size_t{w} * h, 0), dither(std::size_t{w} * h, 200);
  for (std::size_t i = 0; i < focus.size(); i += 7) focus[i] = 255;
  for (int mode = 0; mode < 5; ++mode)
    for (bool focused : {false, true}) {
      QuantizerOptions o;
      o.colors = 24;
      o.dither = mode;
      o.focus_map = focused ? focus.data() : nullptr;
      o.focus_weight = focused ? 4.0 : 1.0;
      o.dither_map = focused ? dither.data() : nullptr;
      release_engine_caches();
      const auto cached = quantize(px, w, h, o);
      keep_engine_caches(false);
      const auto once = quantize(px, w, h, o);
      const auto again = quantize(px, w, h, o);
      EXPECT_EQ(g_run_stats.image_cache_hits, 0u);
      EXPECT_EQ(g_run_stats.histogram_cache_hits, 0u);
      // The maps are made once. The histogram takes the noise map as it is
      // made, the edge map made beside it; under focus, which reweights a
      // whole noise map, dithering makes its edge map over that map once the
      // histogram has read it.
      EXPECT_EQ(g_run_stats.contrast_map_builds, 1u);
      EXPECT_EQ(g_run_stats.noise_maps_in_chunks, focused ? 0u : 1u);
      EXPECT_EQ(g_run_stats.edge_maps_over_noise, mode != 0 && focused ? 1u : 0u) << mode;
      keep_engine_caches(true);
      ASSERT_EQ(cached.status, 0u);
      EXPECT_EQ(once.indices, cached.indices) << mode << focused;
      EXPECT_EQ(once.palette, cached.palette) << mode << focused;
      EXPECT_EQ(again.indices, cached.indices) << mode << focused;
      // Caching again serves the next run from its caches as before.
      quantize(px, w, h, o);
      quantize(px, w, h, o);
      EXPECT_EQ(g_run_stats.image_cache_hits, 1u);
    }
  release_engine_caches();
}

// Told the pixels are read no more, the caller scribbles over them: the
// run must not notice, also where the palette holds every colour and error
// diffusion maps the image entry for entry.
class Scribble final : public InputRelease {
 public:
  explicit Scribble(std::vector<std::uint8_t>& px) : px_(px) {}
  void input_done() override {
    ++calls;
    for (std::size_t i = 0; i < px_.size(); ++i) px_[i] = static_cast<std::uint8_t>(i * 37);
  }
  int calls = 0;

 private:
  std::vector<std::uint8_t>& px_;
};

TEST(UncachedRuns, NeverReadThePixelsOnceTheyAreReleased) {
  const std::uint32_t w = 97, h = 83;
  for (bool held : {false, true}) {  // the palette holds every colour of dark_greys
    for (int mode = 0; mode < 5; ++mode) {
      QuantizerOptions o;
      o.colors = 24;
      o.dither = mode;
      const auto original = held ? test_images::dark_greys(w, h) : banded(w, h);
      release_engine_caches();
      const auto cached = quantize(original, w, h, o);
      keep_engine_caches(false);
      auto px = original;
      Scribble scribble(px);
      o.input_release = &scribble;
      const auto once = quantize(px, w, h, o);
      keep_engine_caches(true);
      EXPECT_EQ(scribble.calls, 1);
      ASSERT_EQ(once.status, 0u);
      EXPECT_EQ(once.indices, cached.indices) << held << " " << mode;
      EXPECT_EQ(once.palette, cached.palette) << held << " " << mode;
    }
  }
  release_engine_caches();
}

// Such runs skip the image key; an image left behind by a run that stopped
// early (refused memory) must not pass for the next image of the same size.
TEST(UncachedRuns, NeverServeTheImageOfAnEarlierRun) {
  const std::uint32_t w = 64, h = 64;
  const double gamma = 0.45454545454545453;
  const auto first = banded(w, h);
  auto second = first;
  for (std::size_t i = 0; i < second.size(); i += 4) second[i] ^= 0x40;
  keep_engine_caches(false);
  tamble::device* dev = tamble::get_cpu_device();
  cached_working_image(dev, first.data(), w, h, gamma, 0, EngineSettings{});
  const WorkImage view = cached_working_image(dev, second.data(), w, h, gamma, 0, EngineSettings{});
  for (std::size_t i = 0; i < std::size_t{w} * h; i += 97) {
    const WorkColor want = to_work_color(&second[4 * i], gamma);
    ASSERT_EQ(std::memcmp(&view.at(i), &want, sizeof want), 0) << i;
  }
  keep_engine_caches(true);
}

}  // namespace
