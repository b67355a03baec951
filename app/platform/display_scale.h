#pragma once
// The DPI scale of the display a window is on: the desktop's font DPI over 96,
// 1 when the desktop does not say.
#include <string_view>

float display_dpi_scale();

// The scale an X resource database text gives through its Xft.dpi line.
float dpi_scale_from_resources(std::string_view resources);
