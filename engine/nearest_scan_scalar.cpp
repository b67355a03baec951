#include "engine/nearest_scan.h"

namespace {

// The colour difference of engine/work_color.h with the entry's chroma
// precomputed; the operation order is the same so the results are identical.
template <bool kPenalised>
inline double entry_distance(const ScanTable& t, const ScanProbe& p, std::int64_t s, double dl2) {
  double cq = t.chroma2[s];
  double diff_c = p.chroma2 - cq;
  if (diff_c < 0) diff_c = -diff_c;
  double factor = ((diff_c * t.blend + (p.chroma2 + cq)) * 0.5 * 30.0 + 1.0) * t.chroma_weight;
  double da = p.a - t.a[s];
  double db = p.b - t.b[s];
  double dalpha = p.alpha - t.alpha[s];
  double d = factor * (1.003641 * (da * da) + 0.549752 * (db * db)) + 2.0 * (dalpha * dalpha) + dl2;
  if (kPenalised) d += t.penalty[s];
  return d;
}

inline void take_if_better(ScanBest& best, double d, std::int64_t index) {
  if (d < best.distance || (d == best.distance && index < best.index)) best = {d, index};
}

template <bool kPenalised>
ScanBest scan(const ScanTable& t, const ScanProbe& p, std::int64_t start, ScanBest best) {
  std::int64_t up = start, down = start - 1;
  bool up_open = up < t.count, down_open = down >= 0;
  while (up_open || down_open) {
    if (up_open) {
      double dl = p.L - t.L[up];
      double dl2 = dl * dl;
      if (dl2 > best.distance) {
        up_open = false;
      } else {
        take_if_better(best, entry_distance<kPenalised>(t, p, up, dl2), t.index[up]);
        up_open = ++up < t.count;
      }
    }
    if (down_open) {
      double dl = p.L - t.L[down];
      double dl2 = dl * dl;
      if (dl2 > best.distance) {
        down_open = false;
      } else {
        take_if_better(best, entry_distance<kPenalised>(t, p, down, dl2), t.index[down]);
        down_open = --down >= 0;
      }
    }
  }
  return best;
}

}  // namespace

ScanBest nearest_scan_scalar(const ScanTable& t, const ScanProbe& p, std::int64_t start,
                             ScanBest best) {
  return p.penalised ? scan<true>(t, p, start, best) : scan<false>(t, p, start, best);
}
