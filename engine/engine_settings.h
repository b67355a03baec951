#pragma once
// Process-wide values the pipeline reads. quantize_image saves them, sets them
// from the options, and restores them before it returns.
#include <cstdint>
#include <vector>

#include "engine/colour/work_color.h"

struct EngineSettings {
  double dither_strength = 1.0;
  double dither_damper = 8.0;
  double dither_floor = 0.75;
  std::uint32_t plan_colors = 3;
  double plan_restraint = 0.175;
  double chroma_weight = 1.0;
  double max_error_pow = 1.0;
  std::uint32_t mediancut_rounds = 1;
  double sum_pow = 1.0;
  const std::uint8_t* focus_map = nullptr;
  std::uint32_t focus_width = 0;
  std::uint32_t focus_height = 0;
  double focus_weight = 1.0;
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
