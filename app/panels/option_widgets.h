#pragma once
// Sliders bound to a quantizer option through the option table: its label,
// format, range and the scale it is shown in.
#include "engine/option_table.h"

struct PanelContext;

// A slider for `id`; `maximum` below the table's (in the shown scale) narrows it.
// Takes an edit step when activated and sets the changed flag when it changes.
// True when the value changed.
bool option_slider(PanelContext& context, OptionId id, double maximum = 1e300);
