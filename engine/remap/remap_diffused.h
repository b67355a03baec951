#pragma once
// Error diffusion ("Floyd-Steinberg").
#include <cstdint>

#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "engine/remap/remap_image.h"
#include "tamble/device.h"

// Error diffusion on the calling thread. `remapped` says output already holds
// remap_plain's indices. A refused search table throws std::bad_alloc with the
// output as it was.
void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    const EngineSettings& settings, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output);
// Below this share of a row's pixels within their guess's radius, the next
// row measures every guessed pixel's search window at once: a question of
// speed only, the bytes are the same either way.
inline constexpr double kEagerWindowBelow = 0.9;

// The same with the row loop's instruction-set level fixed (0 scalar, 2
// AVX2) and the share above chosen (0 never, above 1 always), for tests and
// benchmarks; a level the processor lacks falls back.
void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    const EngineSettings& settings, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output, int level,
                    double eager_below = kEagerWindowBelow);
