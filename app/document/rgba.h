#pragma once
// One colour as the pin and palette lists hold it: R, G, B, A bytes.
#include <array>
#include <cstdint>

using Rgba = std::array<std::uint8_t, 4>;
