#include "app/panels/palette_entry_edit.h"

#include <algorithm>

#include "app/document/document.h"
#include "app/panels/palette_grid.h"
#include "app/ui/format_text.h"
#include "app/ui/translate.h"

namespace {
constexpr std::size_t kRecentColours = 8;
}

PaletteEntryChange change_palette_entry(Document& document, int index, Rgba colour) {
  PaletteEntryChange change;
  if (index < 0 || static_cast<std::uint32_t>(index) >= document.result().palette_count) return change;
  const auto entry = static_cast<std::size_t>(index);
  if (entry < fixed_entry_count(document)) {
    if (loaded_palette_mode(document)) {
      document.set_palette_entry(entry, colour);
      change.applied = true;
    } else {
      change.applied = document.set_pin_entry(entry, colour);
    }
    return change;
  }
  change.fixed_now = document.fix_palette(entry, colour);
  change.applied = change.fixed_now != 0;
  return change;
}

std::string colour_text(Rgba colour) {
  if (colour[3] == 255) return format_text("%u, %u, %u", colour[0], colour[1], colour[2]);
  return format_text("%u, %u, %u, a%u", colour[0], colour[1], colour[2], colour[3]);
}

std::string palette_entry_status(int index, Rgba colour, const PaletteEntryChange& change) {
  std::string shown = colour_text(colour);
  if (!change.applied) return format_text(translate("%s is in the palette already"), shown.c_str());
  if (change.fixed_now != 0)
    return format_text(translate("Palette entry %d set to %s; the %u-colour palette is fixed now"), index,
                       shown.c_str(), change.fixed_now);
  return format_text(translate("Palette entry %d set to %s"), index, shown.c_str());
}

void remember_recent_colour(std::vector<WorkingColour>& recent, const WorkingColour& colour) {
  std::erase(recent, colour);
  recent.insert(recent.begin(), colour);
  if (recent.size() > kRecentColours) recent.resize(kRecentColours);
}
