#pragma once
// The program's icon, drawn in code at any size: a rounded tile holding a
// four-by-four grid of palette swatches.
#include <cstdint>
#include <vector>

// size x size RGBA pixels, rows top to bottom.
std::vector<std::uint8_t> draw_app_icon(int size);
