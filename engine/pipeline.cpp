#include "engine/pipeline.h"

#include <memory>
#include <new>

#include "engine/engine_cache.h"
#include "engine/engine_log.h"
#include "engine/fingerprint.h"
#include "engine/colour/histogram.h"
#include "engine/colour/focus.h"
#include "engine/quantize_status.h"
#include "engine/required_array.h"
#include "engine/palette/palette_search.h"
#include "engine/palette/kmeans.h"
#include "engine/palette/fewest_colours.h"
#include "engine/palette/ie6_workaround.h"
#include "engine/palette/palette_output.h"
#include "engine/remap/exact_fit.h"
#include "engine/remap/remap_image.h"
#include "engine/remap/remap_plain.h"
#include "engine/remap/damp_dither_map.h"
#include "engine/remap/remap_diffused.h"
#include "engine/row_publication.h"
#include "engine/dither/remap_masked.h"
#include "engine/speed_budget.h"
#include "engine/unbounded.h"
#include "tamble/algorithms.h"
#include "tamble/block_reuse.h"
#include "tamble/large_page_vector.h"
#include "tamble/runtime.h"

namespace {

bool focus_applies(const ImageDesc& image, const EngineSettings& settings) {
  return settings.focus_map && settings.focus_weight != 1.0 &&
         settings.focus_width == image.width && settings.focus_height == image.height;
}

void allocate_output(QuantizedImage& out, const ImageDesc& image) {
  std::size_t n = static_cast<std::size_t>(image.width) * image.height;
  out.width = image.width;
  out.height = image.height;
  out.output_gamma = kDefaultGamma;
  tamble::assign_on_large_pages(out.indices, n);
  out.index_rows.resize(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y)
    out.index_rows[y] = out.indices.data() + static_cast<std::size_t>(y) * image.width;
}

// The steps in order; refused memory leaves by std::bad_alloc.
std::uint32_t run_steps(tamble::device* dev, ImageDesc& image, const EngineSettings& settings,
                        QuantizedImage& out) {
  tamble::configure_runtime(static_cast<int>(settings.threads));
  const std::uint32_t width = image.width, height = image.height;
  const std::size_t n = static_cast<std::size_t>(width) * height;
  const std::uint32_t speed = settings.speed;

  if (ie6_workaround_applies(settings)) ie6_workaround(image, settings);

  // The entry's copy is one packed block, rows[0] its start.
  const std::uint8_t* pixels = image.rows[0];
  const bool keep_caches = engine_caches_kept();
  // Only a later run could match the key: a run that keeps nothing skips it.
  const std::uint64_t key = keep_caches ? image_key(dev, pixels, n, image.gamma) : 0;
  const WorkImage work =
      cached_working_image(dev, pixels, width, height, image.gamma, key, settings);
  // A run that keeps nothing reads numbered colours from here on, never the
  // pixels: their memory can serve the maps.
  const bool pixels_done = !keep_caches && work.ids && work.words;
  if (pixels_done && settings.input_release) settings.input_release->input_done();

  const bool has_contrast = width > 3 && height > 3;
  const bool focused = focus_applies(image, settings);
  std::unique_ptr<Histogram> owned_histogram;
  Histogram* hist = nullptr;
  // A run that keeps nothing reads the noise map only for the histogram,
  // which then takes it as it is made.
  if (has_contrast && !focused)
    owned_histogram = histogram_over_made_noise(dev, n, image.gamma, settings);
  if (owned_histogram) {
    hist = owned_histogram.get();
  } else {
    // The importance map: the cached noise map as it stands, or a per-call
    // copy when focus reweights it or all zero for images too small to have
    // contrast maps.
    tamble::array<double> importance;
    const double* weights = nullptr;
    if (has_contrast && !focused) {
      weights = cached_noise_map(dev, width, height);
    } else {
      importance = required_array<double>(dev, n);
      if (!has_contrast) tamble::fill(dev, importance, 0.0);
      else copy_contrast_maps(dev, width, height, importance.data(), nullptr);
      if (focused) apply_focus(dev, importance.data(), n, settings.focus_map, settings.focus_weight);
      weights = importance.data();
    }
    hist = histogram_for_run(dev, pixels, n, image.gamma, weights, key, settings, owned_histogram);
    importance.release();
    // A run that dithers keeps the noise map's block for its edge map.
    if (!keep_caches && has_contrast && !settings.dither_on()) drop_cached_noise_map();
  }

  double palette_error = -1.0;
  Palette palette = palette_search(dev, *hist, settings, palette_error);
  palette_error = searches_colour_count(settings)
                      ? search_fewest_colours(dev, *hist, settings, palette)
                      : kmeans_refine(dev, *hist, palette, settings);
  owned_histogram.reset();
  out.palette_error = palette_error;
  out.palette_colors = palette.count();

  if (palette_error > settings.mse_limit) {
    engine_log(settings, "  image degradation MSE=%.3f exceeded limit of %.3f\n",
               palette_error * 65536.0, settings.mse_limit * 65536.0);
    return kQuantizeTooMuchError;
  }

  allocate_output(out, image);
  order_palette(out, palette, settings);
  RowPublication publication(settings, out);

  // The edge map is read only by dithering; copying it this late keeps it
  // out of the histogram's peak memory, and without dithering it is not needed.
  tamble::array<double> edge_map;
  if (settings.dither_on()) {
    if (has_contrast && !keep_caches) {
      edge_map = take_cached_edge_map(dev, width, height);
    } else {
      edge_map = required_array<double>(dev, n);
      if (!has_contrast) tamble::fill(dev, edge_map, 0.0);
      else copy_contrast_maps(dev, width, height, nullptr, edge_map.data());
    }
  }

  const RemapImage& remap_image = work;
  const bool plain_first = !settings.dither_on() || plain_remap_before_dither(speed);
  if (plain_first) {
    engine_log(settings, "  mapping image to new colors...");
    const double remap_error = remap_plain(dev, remap_image, palette, settings, out.indices.data());
    if (palette_error < 0.0) palette_error = remap_error;
    engine_log(settings, "MSE=%.3f", remap_error * 65536.0);
    engine_log(settings, "\n");
    if (settings.dither_on()) damp_dither_map(dev, out.indices.data(), width, height, edge_map.data());
  }

  palette_to_output(out, palette);

  if (settings.dither_on()) {
    double diffusion_limit = palette_error < 0.0 ? kUnbounded : palette_error * settings.dither_damper;
    if (!plain_first) engine_log(settings, "  mapping image to new colors...");
    if (settings.dither == kDitherFloydSteinberg) {
      // An image the palette already holds has no error to diffuse.
      const bool exact = pixels_done ? map_exact_fit(work.ids, n, work.words, work.colour_count, out,
                                                     out.indices.data())
                                     : map_exact_fit(pixels, n, out, out.indices.data());
      if (!exact)
        remap_diffused(dev, remap_image, palette, settings, edge_map.data(), plain_first,
                       diffusion_limit, out.indices.data());
    } else {
      remap_masked(dev, remap_image, palette, settings, edge_map.data(), out.indices.data());
    }
    if (!plain_first) engine_log(settings, "\n");
  }
  settings.publish_rows(height);
  return kQuantizeOk;
}

}  // namespace

std::uint32_t run_pipeline(tamble::device* dev, ImageDesc& image, const EngineSettings& settings,
                           QuantizedImage& out) {
  // A stage's freed buffers serve later stages: no fresh pages to zero.
  tamble::freed_block_reuse reuse;
  try {
    return run_steps(dev, image, settings, out);
  } catch (const std::bad_alloc&) {
    return kQuantizeOutOfMemory;
  }
}
