#pragma once
// Changing one entry of the shown palette, as the entry editor and its
// scripted twin do it.
#include <array>
#include <string>
#include <vector>

#include "app/document/rgba.h"

class Document;

struct PaletteEntryChange {
  bool applied = false;
  std::uint32_t fixed_now = 0;  // the palette became a fixed one of this many colours
};

// A fixed entry of a loaded palette takes the colour; a fixed pin takes it
// unless another pin has it; any other entry makes the whole palette fixed.
PaletteEntryChange change_palette_entry(Document& document, int index, Rgba colour);
// The status line for the change.
std::string palette_entry_status(int index, Rgba colour, const PaletteEntryChange& change);
// "%u, %u, %u", with ", a%u" when the alpha is not 255.
std::string colour_text(Rgba colour);

// The editor's recent colours: most recent first, no exact twins, at most eight.
using WorkingColour = std::array<float, 4>;
void remember_recent_colour(std::vector<WorkingColour>& recent, const WorkingColour& colour);
