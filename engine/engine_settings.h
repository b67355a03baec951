#pragma once
// Everything one quantization run reads. quantize_image builds it once from
// the options and passes it by const& to the pipeline and on to every stage;
// tests build their own.
#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"
#include "engine/dither_kind.h"
#include "engine/finished_rows.h"
#include "engine/input_release.h"
#include "engine/quantizer_options.h"
#include "engine/unbounded.h"

// A palette error no run reaches: the quality check never fails.
inline constexpr double kNoMseLimit = kUnbounded;

struct EngineSettings {
  // Error target of the palette search's feedback loop, and the palette error
  // above which a run fails with kQuantizeTooMuchError. The entry leaves both
  // as they are here: no target, no limit.
  double target_mse = 0.0;
  double mse_limit = kNoMseLimit;
  double min_opaque_alpha = 1.0;  // below 254/255 the IE6 workaround runs
  std::uint32_t colors = 256;
  std::uint32_t speed = 3;
  DitherKind dither = kDitherNone;
  std::uint32_t threads = 0;

  double dither_strength = QuantizerOptions{}.dither_strength;
  double dither_damper = QuantizerOptions{}.dither_damper;
  double dither_floor = QuantizerOptions{}.dither_floor;
  std::uint32_t plan_colors = QuantizerOptions{}.plan_colors;
  double plan_restraint = QuantizerOptions{}.plan_restraint;
  double chroma_weight = QuantizerOptions{}.chroma_weight;
  double max_error_pow = QuantizerOptions{}.max_error_pow;
  std::uint32_t mediancut_rounds = QuantizerOptions{}.mediancut_rounds;
  double sum_pow = QuantizerOptions{}.sum_pow;
  // Maps are used only where their recorded size is the image's.
  const std::uint8_t* focus_map = nullptr;
  std::uint32_t focus_width = 0;
  std::uint32_t focus_height = 0;
  double focus_weight = QuantizerOptions{}.focus_weight;
  const std::uint8_t* dither_map = nullptr;
  std::uint32_t dither_width = 0;
  std::uint32_t dither_height = 0;
  FinishedRows* finished_rows = nullptr;  // engine/finished_rows.h
  InputRelease* input_release = nullptr;  // engine/input_release.h
  std::vector<WorkColor> pins;  // converted with the image's gamma, in order
  bool verbose = true;          // progress lines; the entry runs silently
  double blend = 1.0;           // blend coefficient of the colour difference; not an option

  bool dither_on() const { return dither != kDitherNone; }
  // Rows [0, done) of the run's output are final: for a remap that finishes
  // rows in order, at the end of each row.
  void publish_rows(std::uint32_t done) const {
    if (finished_rows) finished_rows->rows_final(done);
  }
  ColorMetric metric() const { return {chroma_weight, blend}; }
};
