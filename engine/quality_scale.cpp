#include "engine/quality_scale.h"

#include <cmath>

#include "engine/engine_settings.h"

double mse_for_quality(double quality) {
  if (!(quality > 0.0)) return kNoMseLimit;
  if (quality > kQualityMax) quality = kQualityMax;
  return kMseAtFullQuality * std::pow(10.0, (kQualityMax - quality) / kQualityPerDecade);
}

std::uint32_t quality_of_mse(double mse) {
  if (mse < 0.0 || std::isnan(mse)) return 0;
  if (mse <= kMseAtFullQuality) return kQualityMax;
  double q = kQualityMax - kQualityPerDecade * std::log10(mse / kMseAtFullQuality);
  if (q <= 0.0) return 0;
  auto whole = static_cast<std::uint32_t>(std::floor(q));
  // log10 and pow round differently; the definition is the one of mse_for_quality.
  while (whole > 0 && mse > mse_for_quality(whole)) --whole;
  while (whole < kQualityMax && mse <= mse_for_quality(whole + 1)) ++whole;
  return whole;
}
