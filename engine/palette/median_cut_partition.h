#pragma once
// Partial descending order of a box's items by split key, established only as
// far as the median and the break point need it (quick-select partitions).
#include <cstddef>
#include <cstdint>

// One item of the box being split: its key, its position in the box before
// the split, and its split weight.
struct SplitRecord {
  std::uint32_t key;
  std::uint32_t pos;
  double weight;
};

// Reorders recs so that position `target` holds the key a full descending
// sort would put there, with no smaller key before it and no larger after.
void select_descending(SplitRecord* recs, std::size_t count, std::size_t target);

// Walks the records in descending key order, adding weights, and returns the
// position of the first record at which the running sum exceeds half_sum, or
// count when none does. Reorders recs as the walk partitions them; every
// record before the returned position has a key at least as large as every
// record from it on.
std::size_t find_break_point(SplitRecord* recs, std::size_t count, double half_sum);
