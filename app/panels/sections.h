#pragma once
// The sidebar's sections, one function each, in the order they are shown.
struct PanelContext;

void quantizer_section(PanelContext& context);
void view_section(PanelContext& context);
void compare_section(PanelContext& context);
void focus_section(PanelContext& context);
void dither_map_section(PanelContext& context);
void pins_section(PanelContext& context);
void result_section(PanelContext& context);
void palette_section(PanelContext& context);
