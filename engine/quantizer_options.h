#pragma once
// Every engine setting with its default; filled by both faces and the settings file.
// The ranges, keys and flags of the scalar ones are in engine/option_table.h.
#include <cstdint>

class FinishedRows;
class InputRelease;

struct QuantizerOptions {
  std::uint32_t colors = 256;         // 2..256; 1 only with a one-colour fixed palette
  std::uint32_t speed = 3;            // 1 slow/best .. 10 fast
  std::int32_t dither = 1;            // a DitherKind: 0 none, 1 Floyd-Steinberg, 2 Bayer, 3 blue noise, 4 plan
  std::uint32_t ie_workaround = 0;    // minimum opaque alpha 238/255 when set
  double dither_strength = 1.0;
  double dither_damper = 8.0;
  double dither_floor = 0.75;
  std::uint32_t plan_colors = 3;
  double plan_restraint = 0.175;
  double chroma_weight = 1.0;         // Vividness
  double max_error_pow = 1.0;         // Fairness
  std::uint32_t mediancut_rounds = 1; // 1 parallel rounds, 0 serial loop
  double sum_pow = 1.0;               // 1 - Subject share
  const std::uint8_t* pins = nullptr; // pin_count RGBA colours
  std::uint32_t pin_count = 0;
  const std::uint8_t* focus_map = nullptr;  // width x height bytes
  double focus_weight = 1.0;
  const std::uint8_t* dither_map = nullptr; // width x height bytes, 128 = unchanged
  FinishedRows* finished_rows = nullptr;    // told as index rows become final; not a setting
  InputRelease* input_release = nullptr;    // told when the pixels are read no more; not a setting
  std::uint32_t threads = 0;          // 0 = automatic
  std::uint32_t gpu = 0;              // carried for the settings file only
  // With the target on: the fewest colours, up to `colors`, that reach
  // quality_max, and a refusal when even `colors` cannot reach quality_min
  // (0..100, engine/quality_scale.h).
  std::uint32_t quality_target = 0;
  std::uint32_t quality_min = 0;
  std::uint32_t quality_max = 100;
};
