#include "app/panels/section_table.h"

#include "app/document/document.h"
#include "app/panels/sections.h"

namespace {

constexpr std::array<SectionSpec, kSectionCount> kSections = {{
    {Section::quantizer, "quantizer", "Quantizer", quantizer_section, nullptr},
    {Section::view, "view", "View", view_section, nullptr},
    {Section::compare, "compare", "Compare", compare_section, [](const Document& d) { return d.compare(); }},
    {Section::focus, "focus", "Focus area", focus_section, [](const Document& d) { return d.use(UseFlag::focus); }},
    {Section::dither_map, "dithermap", "Dither strength area", dither_map_section,
     [](const Document& d) { return !d.layer(kDitherLayer).empty; }},
    {Section::pins, "pins", "Pinned colours", pins_section, [](const Document& d) { return d.use(UseFlag::pins); }},
    {Section::result, "result", "Result", result_section, nullptr},
    {Section::palette, "palette", "Palette", palette_section, nullptr},
}};

constexpr bool in_order() {
  for (std::size_t i = 0; i < kSections.size(); ++i)
    if (section_index(kSections[i].id) != i) return false;
  return true;
}
static_assert(in_order(), "the table lists the sections in the order of Section");

}  // namespace

const std::array<SectionSpec, kSectionCount>& section_table() { return kSections; }

bool section_unfolded_by_default(const SectionSpec& section, const Document& document) {
  return section.in_use == nullptr || section.in_use(document);
}
