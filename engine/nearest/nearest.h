#pragma once
// Exact nearest-palette-entry search, built once per pass, queried from many threads.
#include <array>
#include <cstdint>

#include "engine/nearest/nearest_scan.h"
#include "engine/palette/palette.h"
#include "engine/colour/work_color.h"
#include "tamble/array.h"
#include "tamble/device.h"

struct NearestMatch {
  double distance;      // colour difference, plus the penalty where it applies
  std::int64_t index;   // palette index
};

// Extra cost of a not fully opaque entry for a probe above the opaque threshold.
inline constexpr double kTranslucentPenalty = 0.0009765625;  // 2^-10

class nearest_index {
 public:
  // Distances follow `metric`; the scan level is nearest_scan_level(). Throws
  // std::bad_alloc when the table's memory is refused.
  nearest_index(tamble::device* dev, const Palette& palette, double opaque_threshold,
                const ColorMetric& metric);
  // Fixes the scan level (0 scalar, 2 AVX2, 3 AVX-512), for tests and benchmarks.
  // A level the processor lacks falls back to the best one it has; scan_level()
  // tells which ran.
  nearest_index(tamble::device* dev, const Palette& palette, double opaque_threshold,
                const ColorMetric& metric, int scan_level);

  std::uint32_t count() const { return count_; }
  // The sorted table the scans read, and the sorted position of palette entry e.
  const ScanTable& table() const { return table_; }
  std::int64_t rank(std::int64_t e) const { return rank_[static_cast<std::size_t>(e)]; }
  int scan_level() const { return scan_level_; }

  NearestMatch find(const WorkColor& probe, std::int64_t guess, double guess_distance) const;
  // The same answer as a search without a guess, found faster when `guess`
  // (a palette index, or -1 for none) is close to the answer.
  NearestMatch find_near(const WorkColor& probe, std::int64_t guess) const;

 private:
  void build(tamble::device* dev, const Palette& palette, double opaque_threshold,
             const ColorMetric& metric, const tamble::isa_kernel<nearest_scan_fn>& kernel);
  ScanProbe scan_probe(const WorkColor& probe) const;
  bool settled_in_block(const ScanProbe& probe, ScanBest& best) const;
  NearestMatch answer(const ScanProbe& probe, ScanBest best) const;
  std::int64_t start_position(double probe_L) const;
  std::int64_t start_position_from(std::int64_t guess, double probe_L) const;
  NearestMatch full_scan(const ScanProbe& probe) const;
  double scan_distance(const ScanProbe& probe, std::int64_t slot) const;

  std::uint32_t count_ = 0;
  double opaque_threshold_ = 1.0;
  double chroma_weight_ = 1.0;
  double blend_ = 1.0;
  tamble::array<double> alpha_, L_, a_, b_, chroma2_, penalty_;
  tamble::array<std::int64_t> index_;
  tamble::array<std::uint32_t> rank_;
  ScanTable table_{};
  int scan_level_ = 0;
  nearest_scan_fn scan_ = nearest_scan_scalar;
  // Block search: used when the palette fills a block and the metric keeps
  // (L difference)^2 a lower bound; the block's first slot per lightness bucket.
  static constexpr int kBlockBuckets = 1024;
  bool blocks_ = false;
  nearest_block_fn block_ = nearest_block_scalar;
  std::array<std::int32_t, kBlockBuckets> block_of_bucket_{};
};

// Level of the scan kernel an index runs unless told otherwise: the best the
// runtime's level allows, AVX-512 only when NQ_SCAN_AVX512 is set.
int nearest_scan_level();

// guess: a palette index or -1; with a guess, guess_distance is the exact
// colour difference between probe and that entry.
inline NearestMatch find_nearest(const nearest_index& index, const WorkColor& probe,
                                 std::int64_t guess = -1, double guess_distance = 0.0) {
  return index.find(probe, guess, guess_distance);
}
