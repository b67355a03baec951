#pragma once
// Larger than any colour distance or error the engine computes: "none yet" for
// a search's best, and "no limit" for a bound.
inline constexpr double kUnbounded = 1e20;
