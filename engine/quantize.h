#pragma once
// The single engine entry.
#include <cstdint>

#include "engine/quantize_status.h"
#include "engine/quantizer_options.h"

// Quantizes width x height RGBA pixels (rows packed) encoded with `gamma`
// (0 or less means 1/2.2). Every output is optional; none is written unless
// the status is 0. `palette` receives 256 RGBA entries, zeroed past the size;
// `out_gamma` the gamma its colours are encoded for, which a written file declares.
std::uint32_t quantize_image(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height,
                             double gamma, const QuantizerOptions* options, std::uint8_t* out_rgba,
                             std::uint8_t* out_indices, std::uint8_t* out_palette,
                             std::uint32_t* out_palette_size, double* out_error,
                             double* out_gamma = nullptr);
