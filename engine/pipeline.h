#pragma once
// One quantization run on the entry's copy of the image, in fixed steps.
#include <cstdint>

#include "engine/engine_settings.h"
#include "engine/quantized_image.h"
#include "tamble/device.h"

// Every array comes from `dev` (the entry passes the processor's; tests pass
// one that refuses). Returns 0, 17 when working memory was refused, or 99
// when the palette error exceeds the settings' MSE limit.
std::uint32_t run_pipeline(tamble::device* dev, ImageDesc& image, const EngineSettings& settings,
                           QuantizedImage& out);
