#pragma once
// Byte value -> linear channel for one encoding gamma. Each entry comes from
// the same division and pow call as the per-pixel conversion, so using the
// table gives bit-identical colours at a fraction of the cost.
#include <cstdint>

struct GammaTable {
  explicit GammaTable(double gamma);
  double linear[256];
};
