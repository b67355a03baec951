#pragma once
// The single engine entry.
#include <cstdint>

#include "engine/quantize_status.h"
#include "engine/quantizer_options.h"

// How good the palette is, for a run that succeeded and for one refused for
// its quality (kQuantizeTooMuchError), where it tells what the best palette reached.
struct QuantizeReport {
  double palette_error = -1.0;  // weighted working-space MSE; -1 when not measured
  std::uint32_t quality = 0;    // 0..100, engine/quality_scale.h
  std::uint32_t colors = 0;     // entries of that palette
};

// Quantizes width x height RGBA pixels (rows packed) encoded with `gamma`
// (0 or less means 1/2.2). Every output is optional; none is written unless
// the status is 0. `palette` receives 256 RGBA entries, zeroed past the size;
// `out_gamma` the gamma its colours are encoded for, which a written file declares;
// `out_report` is written on success and on kQuantizeTooMuchError.
std::uint32_t quantize_image(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                             double gamma, const QuantizerOptions* options, std::uint8_t* out_rgba,
                             std::uint8_t* out_indices, std::uint8_t* out_palette,
                             std::uint32_t* out_palette_size, double* out_error,
                             double* out_gamma = nullptr, QuantizeReport* out_report = nullptr);
