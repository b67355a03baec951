#pragma once
// Up-front estimate of what one run needs, so a run that cannot have its
// working memory is refused with a status instead of failing half way.
#include <cstdint>

// Bytes a run on an image of this size needs at its peak, at the given
// speed, as runs are made now (keeping their caches or not, see
// keep_engine_caches).
double estimated_run_bytes(std::uint32_t width, std::uint32_t height, std::uint32_t speed);

// True when the estimate fits the machine's physical memory.
bool run_fits_in_memory(std::uint32_t width, std::uint32_t height, std::uint32_t speed);
