#pragma once
// The engine entry as a value: both faces call the engine through one of these,
// so their tests can put a recorder or a stand-in in its place.
#include <functional>

#include "engine/quantize.h"

using QuantizeFunction = std::function<decltype(quantize_image)>;
