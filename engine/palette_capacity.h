#pragma once
// The most entries a palette holds: what an indexed PNG can carry, and so the
// most colours, pins or fixed-palette entries any face hands the engine.
#include <cstdint>

inline constexpr std::uint32_t kPaletteCapacity = 256;
