#pragma once
// Process-wide values the pipeline reads. quantize_image saves them, sets them
// from the options, and restores them before it returns.
#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"
#include "engine/quantizer_options.h"

// Until a call sets them, the built-in defaults of the options.
struct EngineSettings {
  double dither_strength = QuantizerOptions{}.dither_strength;
  double dither_damper = QuantizerOptions{}.dither_damper;
  double dither_floor = QuantizerOptions{}.dither_floor;
  std::uint32_t plan_colors = QuantizerOptions{}.plan_colors;
  double plan_restraint = QuantizerOptions{}.plan_restraint;
  double chroma_weight = QuantizerOptions{}.chroma_weight;
  double max_error_pow = QuantizerOptions{}.max_error_pow;
  std::uint32_t mediancut_rounds = QuantizerOptions{}.mediancut_rounds;
  double sum_pow = QuantizerOptions{}.sum_pow;
  const std::uint8_t* focus_map = nullptr;
  std::uint32_t focus_width = 0;
  std::uint32_t focus_height = 0;
  double focus_weight = QuantizerOptions{}.focus_weight;
  const std::uint8_t* dither_map = nullptr;
  std::uint32_t dither_width = 0;
  std::uint32_t dither_height = 0;
  std::vector<WorkColor> pins;  // converted with the image's gamma, in order
  bool verbose = true;
  double blend = 1.0;  // blend coefficient of the colour difference; not an option
};

extern EngineSettings g_engine;

// Progress line on standard error, only while the verbose flag is set.
void engine_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
