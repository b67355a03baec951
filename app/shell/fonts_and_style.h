#pragma once
// The interface font and the style, built for the effective scale.
#include <imgui.h>

// Applies the theme's colours to `style` (0 dark, 1 light; following the
// system counts as dark until the system's setting is read).
void apply_theme_colours(ImGuiStyle& style, int theme);

// Rebuilds the font atlas and the scaled style from `unscaled`, and the font
// texture once the renderer has made its device objects (`device_ready`).
void rebuild_fonts_and_style(const ImGuiStyle& unscaled, float scale, bool device_ready);
