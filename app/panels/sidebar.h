#pragma once
// The sidebar's foldable sections.
struct PanelContext;

// Draws inside the "settings" child region; hands changed options to the document.
void draw_sidebar_sections(PanelContext& context);
