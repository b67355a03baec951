#include "engine/palette/median_cut_partition.h"

#include <utility>
#include <vector>

namespace {

std::size_t pivot_position(const SplitRecord* r, std::size_t len) {
  if (len <= 7) return 0;
  if (len <= 31) return len / 2;
  std::size_t a = 8, b = len / 2, c = len - 1;
  std::uint32_t ka = r[a].key, kb = r[b].key, kc = r[c].key;
  if (ka < kb) return kb < kc ? b : (ka < kc ? c : a);
  return ka < kc ? a : (kb < kc ? c : b);
}

// Pivot to the front, keys at least the pivot's first, smaller ones after,
// pivot between them; returns the pivot's final position.
std::size_t partition(SplitRecord* r, std::size_t lo, std::size_t hi) {
  std::size_t p = pivot_position(r + lo, hi - lo);
  std::swap(r[lo], r[lo + p]);
  std::uint32_t pivot = r[lo].key;
  std::size_t store = lo;
  for (std::size_t i = lo + 1; i < hi; ++i)
    if (r[i].key >= pivot) std::swap(r[++store], r[i]);
  std::swap(r[lo], r[store]);
  return store;
}

// When the pivot was the smallest key of its run, repeating the partition on
// the rest would peel off one record per pass (quadratic on runs of equal
// keys). Instead move the keys above `pivot` in [lo, hi) to the front; returns
// where the records equal to it begin.
std::size_t separate_equal(SplitRecord* r, std::size_t lo, std::size_t hi, std::uint32_t pivot) {
  std::size_t store = lo;
  for (std::size_t i = lo; i < hi; ++i)
    if (r[i].key > pivot) std::swap(r[store++], r[i]);
  return store;
}

}  // namespace

void select_descending(SplitRecord* r, std::size_t count, std::size_t target) {
  std::size_t lo = 0, hi = count;
  while (hi - lo > 1) {
    std::size_t k = partition(r, lo, hi);
    if (k == target) return;
    if (target > k) {
      lo = k + 1;
      continue;
    }
    if (k == hi - 1) {
      std::size_t equal = separate_equal(r, lo, k, r[k].key);
      if (target >= equal) return;
      hi = equal;
      continue;
    }
    hi = k;
  }
}

std::size_t find_break_point(SplitRecord* r, std::size_t count, double half_sum) {
  // After descending into the part before a pivot, the walk still owes the
  // records [seq_lo, seq_hi) one by one, then the run [next_lo, next_hi).
  struct Pending {
    std::size_t seq_lo, seq_hi, next_lo, next_hi;
  };
  std::vector<Pending> pending;
  double running = 0.0;
  std::size_t lo = 0, hi = count;
  for (;;) {
    if (lo >= hi) {
      if (pending.empty()) return count;
      Pending p = pending.back();
      pending.pop_back();
      for (std::size_t i = p.seq_lo; i < p.seq_hi; ++i) {
        running += r[i].weight;
        if (running > half_sum) return i;
      }
      lo = p.next_lo;
      hi = p.next_hi;
      continue;
    }
    std::size_t k = partition(r, lo, hi);
    double block = 0.0;
    for (std::size_t i = lo; i <= k; ++i) block += r[i].weight;
    if (running + block <= half_sum) {
      running += block;
      lo = k + 1;
      continue;
    }
    std::size_t descend_hi = k;
    std::size_t seq_lo = k;
    if (k == hi - 1 && k > lo) {
      // Pivot is the run's smallest key: the records equal to it are already
      // in place and are walked in order after the larger ones.
      seq_lo = separate_equal(r, lo, k, r[k].key);
      descend_hi = seq_lo;
    }
    pending.push_back({seq_lo, k + 1, k + 1, hi});
    hi = descend_hi;
  }
}
