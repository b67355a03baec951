#pragma once
#include <functional>

#include "cli/batch_request.h"
#include "engine/quantize.h"

// The engine entry as the batch loop calls it; tests put a recorder in its place.
using QuantizeFunction = std::function<decltype(quantize_image)>;

// Reads the palette or pins and the maps, then quantizes every input in turn.
// Returns the exit code: 0 all written, 1 a shared file problem or every
// input failed, 2 some inputs failed.
int run_batch_request(BatchRequest& request, const QuantizeFunction& quantize = quantize_image);
