#include "engine/colour/gamma_table.h"

#include <cmath>

GammaTable::GammaTable(double gamma) {
  double exponent = 1.0 / gamma;
  for (int v = 0; v < 256; ++v) {
    double c = v / 255.0;
    linear[v] = gamma != 1.0 ? std::pow(c, exponent) : c;
  }
}
