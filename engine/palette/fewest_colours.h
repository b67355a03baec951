#pragma once
// The fewest colours that reach the error target. The feedback loop tries
// again with fewer colours only at the slowest speeds; elsewhere its single
// median cut stops on an estimate, which the refined error may miss either way.
#include "engine/colour/histogram.h"
#include "engine/engine_settings.h"
#include "engine/palette/palette.h"
#include "tamble/device.h"

// True when the settings ask for a target that their speed's feedback loop
// does not pursue itself and there are colours left to choose.
bool searches_colour_count(const EngineSettings& settings);

// Takes the ordinary search's palette and returns the refined palette for the
// fewest colours found to reach the target (or, when none does, for the most
// colours), with its error. Each probe is the ordinary search for one colour
// count on the histogram as built, followed by a short refinement whose error
// decides; the counts are bracketed and narrowed by the way the error falls
// with the count. Only the chosen palette is refined in full, and refinement
// only lowers the error, so the result reaches the target whenever a probe did.
double search_fewest_colours(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                             Palette& palette);
