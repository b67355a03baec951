// The single engine entry: checks and normalises the request, runs the
// pipeline on a private copy of the pixels with the settings of this call,
// and fills the caller's outputs only when the run succeeded.
#include "engine/quantize.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/engine_cache.h"
#include "engine/engine_settings.h"
#include "engine/run_stats.h"
#include "engine/memory_budget.h"
#include "engine/option_table.h"
#include "engine/palette/ie6_workaround.h"
#include "engine/palette_capacity.h"
#include "engine/pipeline.h"
#include "engine/quality_scale.h"
#include "engine/quantized_image.h"
#include "tamble/device.h"

RunStats g_run_stats;

namespace {

constexpr double kIe6OpaqueAlpha = 0.9333333333333333;  // 238/255

std::uint32_t engine_count(const QuantizerOptions& o, OptionId id) {
  return static_cast<std::uint32_t>(engine_value(o, id));
}

// The one settings value of this call: the options normalised, the maps
// recorded with the image's size, the pins in working colours, no progress lines.
EngineSettings engine_settings(const QuantizerOptions& o, const ImageDesc& image) {
  EngineSettings s;
  s.min_opaque_alpha = engine_value(o, OptionId::ie_workaround) != 0.0 ? kIe6OpaqueAlpha : 1.0;
  s.colors = engine_count(o, OptionId::colors);
  // A single colour is a palette only when it is given: a fixed palette of one entry.
  if (o.colors == 1 && o.pins != nullptr && o.pin_count >= 1) s.colors = 1;
  s.speed = engine_count(o, OptionId::speed);
  s.dither = dither_kind(o.dither);
  s.threads = engine_count(o, OptionId::threads);
  s.verbose = false;
  if (engine_value(o, OptionId::quality_target) != 0.0) {
    s.target_mse = mse_for_quality(engine_value(o, OptionId::quality_max));
    s.mse_limit = mse_for_quality(engine_value(o, OptionId::quality_min));
  }
  s.dither_strength = engine_value(o, OptionId::dither_strength);
  s.dither_damper = engine_value(o, OptionId::dither_damper);
  s.dither_floor = engine_value(o, OptionId::dither_floor);
  s.plan_colors = engine_count(o, OptionId::plan_colors);
  s.plan_restraint = engine_value(o, OptionId::plan_restraint);
  s.chroma_weight = engine_value(o, OptionId::chroma_weight);
  s.max_error_pow = engine_value(o, OptionId::max_error_pow);
  s.mediancut_rounds = engine_count(o, OptionId::mediancut_rounds);
  s.sum_pow = engine_value(o, OptionId::sum_pow);
  s.focus_map = o.focus_map;
  s.focus_width = o.focus_map ? image.width : 0;
  s.focus_height = o.focus_map ? image.height : 0;
  s.focus_weight = engine_value(o, OptionId::focus_weight);
  s.finished_rows = o.finished_rows;
  s.input_release = o.input_release;
  s.dither_map = o.dither_map;
  s.dither_width = o.dither_map ? image.width : 0;
  s.dither_height = o.dither_map ? image.height : 0;
  std::uint32_t pin_count = o.pins ? std::min(o.pin_count, kPaletteCapacity) : 0;
  for (std::uint32_t i = 0; i < pin_count; ++i)
    s.pins.push_back(to_work_color(o.pins + 4 * i, image.gamma));
  return s;
}

void write_outputs(const QuantizedImage& q, std::uint8_t* out_rgba, std::uint8_t* out_indices,
                   std::uint8_t* out_palette, std::uint32_t* out_palette_size, double* out_error,
                   double* out_gamma) {
  std::uint8_t palette[256][4] = {};
  for (std::uint32_t i = 0; i < q.palette_size && i < 256; ++i) {
    palette[i][0] = q.palette_rgb[i][0];
    palette[i][1] = q.palette_rgb[i][1];
    palette[i][2] = q.palette_rgb[i][2];
    palette[i][3] = i < q.transparent_count ? q.palette_alpha[i] : 255;
  }
  const std::size_t n = q.indices.size();
  if (out_indices) std::memcpy(out_indices, q.indices.data(), n);
  if (out_rgba)
    for (std::size_t i = 0; i < n; ++i) std::memcpy(out_rgba + 4 * i, palette[q.indices[i]], 4);
  if (out_palette) std::memcpy(out_palette, palette, sizeof palette);
  if (out_palette_size) *out_palette_size = q.palette_size;
  if (out_error) *out_error = -1.0;
  if (out_gamma) *out_gamma = q.output_gamma;
}

}  // namespace

std::uint32_t quantize_image(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                             double gamma, const QuantizerOptions* options, std::uint8_t* out_rgba,
                             std::uint8_t* out_indices, std::uint8_t* out_palette,
                             std::uint32_t* out_palette_size, double* out_error,
                             double* out_gamma, QuantizeReport* out_report) {
  if (!pixels || !options || width == 0 || height == 0) return kQuantizeBadArguments;
  // Only the five dithering choices have a remap behind them.
  if (!is_dither_kind(options->dither)) return kQuantizeBadArguments;
  g_run_stats = RunStats{};
  const std::size_t n = static_cast<std::size_t>(width) * height;
  // Refuse up front what cannot fit rather than fail (or be killed) half way.
  if (!run_fits_in_memory(width, height, engine_count(*options, OptionId::speed))) return kQuantizeOutOfMemory;

  try {
    ImageDesc image;
    image.width = width;
    image.height = height;
    image.gamma = gamma > 0.0 ? gamma : kDefaultGamma;
    const EngineSettings settings = engine_settings(*options, image);
    // Only the IE6 workaround writes into the pixels: it gets a copy, every
    // other run reads the caller's pixels, which nothing then changes.
    std::vector<std::uint8_t> copy;
    std::uint8_t* base = const_cast<std::uint8_t*>(pixels);
    if (ie6_workaround_applies(settings)) {
      copy.assign(pixels, pixels + 4 * n);
      base = copy.data();
    }
    image.rows.resize(height);
    for (std::uint32_t y = 0; y < height; ++y)
      image.rows[y] = base + 4 * static_cast<std::size_t>(y) * width;

    QuantizedImage result;
    const std::uint32_t status = run_pipeline(tamble::get_cpu_device(), image, settings, result);
    if (!engine_caches_kept()) release_engine_caches();
    if (out_report && (status == kQuantizeOk || status == kQuantizeTooMuchError))
      *out_report = {result.palette_error, quality_of_mse(result.palette_error),
                     result.palette_colors};
    if (status != kQuantizeOk) return status;
    write_outputs(result, out_rgba, out_indices, out_palette, out_palette_size, out_error,
                  out_gamma);
    return kQuantizeOk;
  } catch (const std::bad_alloc&) {
    return kQuantizeOutOfMemory;
  } catch (...) {
    return kQuantizeInternalError;
  }
}
