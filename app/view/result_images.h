#pragma once
// The pictures the views show, made from a published result.
#include <cstdint>
#include <vector>

#include "app/document/quant_result.h"

// The result as RGBA: its own buffer, else made from its indices (an index past
// the palette shows entry 0); empty when it has neither.
std::vector<std::uint8_t> result_rgba(const QuantResult& result);

// The reference record's pixels when they can be shown.
bool reference_showable(const QuantResult& reference);
