#pragma once
// One quantization run on the entry's copy of the image, in fixed steps.
#include <cstdint>

#include "engine/quantized_image.h"

// Reads the engine settings (g_engine) the entry has set. Returns 0, 17 when
// working memory was refused, or 99 when the palette error exceeds the limit.
std::uint32_t run_pipeline(ImageDesc& image, const PipelineSettings& settings,
                           QuantizedImage& out);
