#pragma once
// Constants shared by the scalar and vector screening kernels.
#include <cstdint>

namespace plan_screening {
inline constexpr double kEpsilon = 0.008856451679035631;
inline constexpr double kKappa = 903.2962962962963;
// Beyond this the float seed of the cube root is unusable; such candidates
// are always costed exactly.
inline constexpr double kLargest = 1e30;
// Seed of the inverse cube root from the bits of a float.
inline constexpr std::uint32_t kSeed = 0x54a2fa8cu;
inline constexpr double kThird = 1.0 / 3.0;
inline constexpr double kTwoNinths = 2.0 / 9.0;
inline constexpr double kFourteen81sts = 14.0 / 81.0;
}  // namespace plan_screening
