#pragma once
// The nearest-entry scan kernels (scalar, AVX2, AVX-512) over the sorted
// structure-of-arrays table. This header is also included by the vector
// kernel files, so it holds plain data and declarations only.
#include <cstdint>

#include "tamble/isa_kernel.h"

struct ScanTable {
  // Each pointer addresses the first sorted entry; 8 guard slots lie before
  // it and 8 after the last entry.
  const double* alpha;
  const double* L;
  const double* a;
  const double* b;
  const double* chroma2;
  const double* penalty;
  const std::int64_t* index;
  std::int64_t count;
  double chroma_weight;
  double blend;
};

struct ScanProbe {
  double alpha, L, a, b;
  double chroma2;   // squared chroma of the probe
  bool penalised;   // the probe is more opaque than the opaque threshold
};

struct ScanBest {
  double distance;
  std::int64_t index;
};

// Two-cursor scan from sorted position `start` (up = start, down = start - 1),
// improving on `best` by (distance, then smaller index). Every kernel returns
// exactly what the scalar one does.
ScanBest nearest_scan_scalar(const ScanTable& table, const ScanProbe& probe, std::int64_t start,
                             ScanBest best);
ScanBest nearest_scan_avx2(const ScanTable& table, const ScanProbe& probe, std::int64_t start,
                           ScanBest best);
ScanBest nearest_scan_avx512(const ScanTable& table, const ScanProbe& probe, std::int64_t start,
                             ScanBest best);

// Sorted slots a block search measures at once, without branches: a
// multiple of every kernel's lane count.
inline constexpr std::int64_t kBlockSlots = 24;

// The better of `best` and the kBlockSlots sorted slots from `first`, by
// (distance, then smaller index). Every kernel returns exactly what the
// scalar one does.
ScanBest nearest_block_scalar(const ScanTable& table, const ScanProbe& probe, std::int64_t first,
                              ScanBest best);
ScanBest nearest_block_avx2(const ScanTable& table, const ScanProbe& probe, std::int64_t first,
                            ScanBest best);
ScanBest nearest_block_avx512(const ScanTable& table, const ScanProbe& probe, std::int64_t first,
                              ScanBest best);

using nearest_scan_fn = ScanBest (*)(const ScanTable&, const ScanProbe&, std::int64_t, ScanBest);
using nearest_block_fn = ScanBest (*)(const ScanTable&, const ScanProbe&, std::int64_t, ScanBest);
// Each kernel file's declaration of its level and of what it was compiled for.
extern const tamble::isa_kernel<nearest_scan_fn> kNearestScanScalar;
extern const tamble::isa_kernel<nearest_scan_fn> kNearestScanAvx2;
extern const tamble::isa_kernel<nearest_scan_fn> kNearestScanAvx512;
extern const tamble::isa_kernel<nearest_block_fn> kNearestBlockScalar;
extern const tamble::isa_kernel<nearest_block_fn> kNearestBlockAvx2;
extern const tamble::isa_kernel<nearest_block_fn> kNearestBlockAvx512;
