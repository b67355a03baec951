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

// `palette` and `error` are the refined result of the ordinary search. Each
// probe is the ordinary search and refinement for one colour count on the
// histogram as built; the counts are bracketed and narrowed by the way the
// error falls with the count. Leaves the palette with the fewest colours found
// to reach the target, or, when none does, the one with the least error.
void search_fewest_colours(tamble::device* dev, Histogram& hist, const EngineSettings& settings,
                           Palette& palette, double& error);
