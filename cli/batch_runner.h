#pragma once
#include "cli/batch_request.h"
#include "engine/quantize_function.h"

// Reads the palette or pins and the maps, then quantizes every input in turn.
// Returns the exit code: 0 all written, 1 a shared file problem or every
// input failed, 2 some inputs failed.
int run_batch_request(BatchRequest& request, const QuantizeFunction& quantize = quantize_image);
