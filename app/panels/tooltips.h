#pragma once
// The sidebar's longer tooltips, in English; each passes through translate().
// A tooltip with a printf conversion (or "%%") is formatted before it is shown.

inline constexpr const char* kTipDithering =
    "Floyd-Steinberg diffuses each pixel's error to its neighbours:\nbest dssim, but it breaks up "
    "runs of identical indices, so the\nPNG grows. A threshold mask (Bayer or blue noise) keeps "
    "the\nruns, so the file is smaller, at a cost in dssim. Blue noise\nhas no visible pattern "
    "where Bayer has a grid. QL-017.\nThe mixing plan chooses the pair's duty cycle so their mix "
    "in\nLINEAR light reproduces the pixel, instead of pushing it by the\nmask and searching "
    "again: better than either mask alone. QL-039.";
inline constexpr const char* kTipStrength =
    "Overall dithering strength: the diffused error for Floyd-Steinberg,\nthe mask amplitude for "
    "Bayer and blue noise.\nBayer and blue noise reach 2.0 - past 1.0 is simply more grain,\nwhich "
    "breaks up banding the maps left behind.\nFloyd-Steinberg stops at 1.0: it feeds its own "
    "output back in,\nso above that it diverges and the picture loses its contours.";
inline constexpr const char* kTipTextureFloor =
    "How much dithering is kept in texture and at edges, where\nthe maps want it off. 0 dithers "
    "only the smooth areas that\nneed it; 0.75 is the default. Lower means fewer stray\ncolours "
    "inside a textured subject and a little more banding\nat its edges - a preference, measured "
    "in QL-011.";
inline constexpr const char* kTipDitherSpread =
    "How far the dithering spreads into a flat area. Low keeps the\npattern quiet and lets a "
    "little banding through; high reaches\ncolours the palette does not have, at the price of a "
    "louder\npattern. 0.65 is the default and measures best on three\ncorpora. Unlike Strength "
    "this does not turn the dithering off\nwhere it is needed. Mixing plan only. QL-039.";
inline constexpr const char* kTipDamper =
    "Threshold at which a large error stops being diffused,\nas a multiple of the error the "
    "palette achieved.\nDefault 8. Matters most at small palettes. Floyd-Steinberg only.";
inline constexpr const char* kTipVividness =
    "Weights colour over lightness when choosing the palette, so saturated areas keep their "
    "punch. Around 0.17 is free; past that it trades overall accuracy, and 1.00 weights colour "
    "and lightness equally.\nChroma weight: %.2f";
inline constexpr const char* kTipFairness =
    "How hard the palette works for its worst-served colour.\n1.00 is the shipped default: a big "
    "smooth area outranks a\nsmall badly-served one, so a scarlet head can end up with\none entry "
    "holding 39%% of its red. 2.00 takes that to 27%%.\nIt buys saturated subjects from muted "
    "ones - at speed 3,\n1.4%% better dssim on a vivid corpus, 2.7%% worse on a\ngeneral one - "
    "which is why it is a control and not a\ndefault. On a muted subject expect it to cost a "
    "little.\nIt weakens as Speed drops (k-means walks the palette back)\nand it is not monotonic "
    "- each split is a discrete choice,\nso neighbouring values can differ. Judge it by looking.";
inline constexpr const char* kTipSubjectShare =
    "How much a big smooth area outranks a small detailed one\nwhen the palette decides where its "
    "next entry goes.\n0.00 is the shipped default: popularity squared. 0.25 is\nwithin 0.2%% of "
    "it on general images and 0.9%% better on\nvivid ones; 0.50 buys vivid subjects 4.3%% for "
    "1.5%% of the\ngeneral corpus and takes the finch's biggest red entry\nfrom 39%% of its red "
    "to 30%%. 1.00 is plain SSE and loses\neverywhere. Not monotonic between those - judge by "
    "looking.\nWeight exponent: %.2f";
inline constexpr const char* kTipFitToWindow =
    "Mouse wheel over the image zooms around the cursor and turns\nthis off; F2, or a "
    "double-click on the image with no tool on,\nturns it back on; Ctrl+0 shows actual pixels at "
    "1.00x. Drag with the middle button to pan, or the\nleft button when no tool or split divider "
    "wants it; the image\ncan be dragged past the edges of the pane.";
inline constexpr const char* kTipPaintFocus =
    "Left-drag over the image to mark what matters, right-drag to erase. The palette is then "
    "spent there rather than on a large easy background.";
inline constexpr const char* kTipPaintDither =
    "Left-drag over the image for MORE dithering there, right-drag\nfor less. Unpainted is "
    "unchanged; fully painted down is\nnever dither, fully up is about twice. Use it where "
    "one\nStrength cannot serve both: flat areas that band and\ntexture that speckles.";
inline constexpr const char* kTipUsePins =
    "Apply the pinned colours. Off keeps them listed and\neditable but out of the palette, to "
    "compare with and\nwithout them without picking them again.";
inline constexpr const char* kTipPickColour =
    "Click the image to pin the colour under the cursor;\nright-click removes the nearest pin. A "
    "pinned colour\nappears in the palette EXACTLY, which Focus cannot do -\npalette entries are "
    "averages. Each pin costs a palette\nslot, so pin what must not shift, not sampled pixels.";
inline constexpr const char* kTipLoadPins =
    "Replace the pins with the colours in a palette file:\ntext with one colour per line "
    "(#RRGGBB, RRGGBB or r,g,b;\nJASC .pal and GIMP .gpl work as they are), or a palette\nPNG, "
    "whose PLTE is used. Each pin costs a palette slot.";
inline constexpr const char* kTipParallelMedianCut =
    "Split every box at once and replay the choice (QL-026):\nmedian cut 68 -> 24 ms, palette "
    "search 95 -> 37 ms on the\ncorpus photo. The palette differs slightly from the serial\nloop; "
    "unticked reproduces the previous palettes exactly.";
inline constexpr const char* kTipQualityTarget =
    "Use the fewest colours, up to Colours, that reach the quality\nbelow, and refuse an image "
    "that cannot reach the lower end.\nPhotos reach about 85 with 256 colours; 80 is close "
    "to that,\n60 shows banding and colour shifts up close.";
inline constexpr const char* kTipQualityAim =
    "The quality the fewest colours must reach (0..100).";
inline constexpr const char* kTipQualityRefuse =
    "Below this quality the run is refused and the previous\nresult stays (0 never refuses).";
inline constexpr const char* kTipQualityReached =
    "How close the palette comes to the source, 0..100,\non the scale of Quality target.";
