#pragma once
// The sidebar's sections as the settings file and scripted runs name them.
#include <array>

// Section keys without their "sec_" prefix, in the order of the sidebar.
inline constexpr std::array<const char*, 8> kSectionNames = {
    "quantizer", "view", "compare", "focus", "dithermap", "pins", "result", "palette"};
