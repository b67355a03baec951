#pragma once
// The Palette section's grid of entries and which of them are fixed.
#include <cstdint>

class Document;

struct PaletteGrid {
  float cell = 16.0f;
  int columns = 1;
  int rows = 0;
  float height = 4.0f;  // of the grid's button: rows x cell + 4
};

PaletteGrid palette_grid(std::uint32_t entries, float available_width, float scale);

// The loaded palette is in use: it is not empty and use_palette is on.
bool loaded_palette_mode(const Document& document);
// How many leading entries of the shown palette are fixed (loaded palette or pins).
std::uint32_t fixed_entry_count(const Document& document);
