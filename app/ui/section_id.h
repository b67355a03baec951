#pragma once
// The sidebar's sections, in the order they are shown; app/panels/section_table.h
// gives each its settings key, title, body and default fold.
#include <cstddef>

enum class Section { quantizer, view, compare, focus, dither_map, pins, result, palette };
inline constexpr std::size_t kSectionCount = 8;

constexpr std::size_t section_index(Section section) { return static_cast<std::size_t>(section); }
