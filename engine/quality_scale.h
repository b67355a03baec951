#pragma once
// The quality scale people set (0..100) and the palette error the engine
// measures (the weighted working-space MSE of k-means). Quality is linear in
// the error's decibels: each kQualityPerDecade points divide the error by ten,
// and quality 100 is an error of kMseAtFullQuality. Quality 0 accepts any error.
#include <cstdint>

inline constexpr std::uint32_t kQualityMax = 100;
inline constexpr double kMseAtFullQuality = 5.0e-5;
inline constexpr double kQualityPerDecade = 50.0;

// The largest palette error that still counts as `quality` (clamped to 0..100);
// quality 0 gives an error no run exceeds.
double mse_for_quality(double quality);

// The quality an error reaches: the highest whole q with error <= mse_for_quality(q).
// A negative error (nothing measured) reaches 0.
std::uint32_t quality_of_mse(double mse);
