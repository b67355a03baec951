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
// The same with the row loop's instruction-set level fixed (0 scalar, 2
// AVX2), for tests and benchmarks; a level the processor lacks falls back.
void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    const EngineSettings& settings, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output, int level);
