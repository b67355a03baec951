#pragma once
// Per-bucket sums with build_csr_buckets' exact arithmetic, without grouping
// the items first. build_csr_buckets folds each bucket's items in chunks of
// chunk_len members (ascending item order), each chunk from the identity, and
// combines the chunk results in chunk order. Here every participant walks a
// contiguous range of items once and folds each member into its bucket's open
// chunk; a chunk that began in an earlier range is finished afterwards, in
// range order, from the members the later ranges set aside. Every chunk thus
// sees the same members in the same order as there, so the records are equal
// bit for bit, whatever the number of participants.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/participant_chunks.h"

namespace tamble {

namespace detail {

struct set_aside {
  std::uint32_t bucket;
  std::uint32_t item;
};

// Adds the members of items [lo, hi) to counts. Four tables take turns, so
// neighbours of one bucket do not wait on each other's increments.
template <class Bucket>
void count_buckets(const Bucket* bucket_of, std::size_t lo, std::size_t hi,
                   std::uint32_t bucket_count, std::uint64_t* counts) {
  const std::size_t buckets = bucket_count;
  std::vector<std::uint64_t> lanes(4 * buckets, 0);
  std::size_t i = lo;
  auto count = [&](std::size_t lane, std::size_t at) {
    if (bucket_of[at] < bucket_count) ++lanes[lane * buckets + bucket_of[at]];
  };
  for (; i + 4 <= hi; i += 4) {
    count(0, i);
    count(1, i + 1);
    count(2, i + 2);
    count(3, i + 3);
  }
  for (; i < hi; ++i) count(0, i);
  for (std::size_t b = 0; b < buckets; ++b)
    counts[b] += lanes[b] + lanes[buckets + b] + lanes[2 * buckets + b] + lanes[3 * buckets + b];
}

template <class R, class AddItem, class Combine, class Bucket>
void fold_by_bucket_in(const Bucket* bucket_of, std::size_t item_count,
                       std::uint32_t bucket_count, std::uint32_t chunk_len, unsigned parts,
                       const R& identity, AddItem add_item, Combine combine, R* out) {
  const std::size_t buckets = bucket_count;
  if (chunk_len == 0) chunk_len = 1;
  // starts[p * buckets + b]: members of bucket b in the ranges before p.
  std::vector<std::uint64_t> starts(static_cast<std::size_t>(parts + 1) * buckets, 0);
  if (parts > 1) {
    for_each_participant_chunk(item_count, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
      count_buckets(bucket_of, lo, hi, bucket_count, starts.data() + (c + 1) * buckets);
    });
    for (unsigned c = 1; c <= parts; ++c)
      for (std::size_t b = 0; b < buckets; ++b)
        starts[c * buckets + b] += starts[(c - 1) * buckets + b];
  } else {
    count_buckets(bucket_of, 0, item_count, bucket_count, starts.data() + buckets);
  }
  // Chunk records of bucket b take slots first_chunk[b] onwards.
  const std::uint64_t* totals = starts.data() + parts * buckets;
  std::vector<std::size_t> first_chunk(buckets + 1, 0);
  for (std::size_t b = 0; b < buckets; ++b)
    first_chunk[b + 1] = first_chunk[b] + static_cast<std::size_t>((totals[b] + chunk_len - 1) / chunk_len);
  std::vector<R> chunks(first_chunk[buckets], identity);
  std::vector<std::vector<set_aside>> aside(parts);

  for_each_participant_chunk(item_count, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
    const std::uint64_t* start = starts.data() + c * buckets;
    std::vector<R> open(buckets, identity);
    std::vector<std::uint32_t> left(buckets, 0);      // members still due in the open chunk
    std::vector<std::uint32_t> finish(buckets);       // members that end an earlier range's chunk
    std::vector<std::size_t> slot(buckets);
    for (std::size_t b = 0; b < buckets; ++b) {
      const std::uint64_t into = start[b] % chunk_len;
      finish[b] = into ? static_cast<std::uint32_t>(chunk_len - into) : 0;
      slot[b] = first_chunk[b] + static_cast<std::size_t>((start[b] + chunk_len - 1) / chunk_len);
    }
    std::vector<set_aside>& later = aside[c];
    for (std::size_t i = lo; i < hi;) {
      const std::uint32_t b = bucket_of[i];
      if (b >= bucket_count) {
        ++i;
        continue;
      }
      if (finish[b]) {
        --finish[b];
        later.push_back({b, static_cast<std::uint32_t>(i)});
        ++i;
        continue;
      }
      if (left[b] == 0) {
        open[b] = identity;
        left[b] = chunk_len;
      }
      // Neighbours often share a bucket: the run is folded in a local record.
      R record = std::move(open[b]);
      std::uint32_t due = left[b];
      do {
        add_item(record, i);
        ++i;
      } while (--due && i < hi && bucket_of[i] == b);
      left[b] = due;
      if (due == 0)
        chunks[slot[b]++] = std::move(record);
      else
        open[b] = std::move(record);
    }
    for (std::size_t b = 0; b < buckets; ++b)
      if (left[b]) chunks[slot[b]] = open[b];
  });

  // Set-aside members finish the chunk open at their range's start, in order.
  for (unsigned c = 1; c < parts; ++c) {
    const std::uint64_t* start = starts.data() + c * buckets;
    for (const set_aside& m : aside[c])
      add_item(chunks[first_chunk[m.bucket] + static_cast<std::size_t>(start[m.bucket] / chunk_len)],
               m.item);
  }
  for (std::size_t b = 0; b < buckets; ++b) {
    R folded = identity;
    for (std::size_t k = first_chunk[b]; k < first_chunk[b + 1]; ++k) folded = combine(folded, chunks[k]);
    out[b] = folded;
  }
}

}  // namespace detail

// The records build_csr_buckets writes when its chunk function folds the
// chunk's items left to right from the identity with add_item(record, item):
// bit for bit, in one pass over the items plus a count of the buckets,
// without an item array. Items whose bucket is not below bucket_count are
// left out. Items are numbered in 32 bits.
template <class R, class AddItem, class Combine, class Bucket>
void fold_by_bucket(device* dev, const Bucket* bucket_of, std::size_t item_count,
                    std::uint32_t bucket_count, std::uint32_t chunk_len, const R& identity,
                    AddItem add_item, Combine combine, R* out) {
  detail::refuse_gpu(dev, "fold_by_bucket");
  unsigned parts = 1;
  if (!runs_serially(item_count))
    parts = item_count < thread_count() ? static_cast<unsigned>(item_count) : thread_count();
  detail::fold_by_bucket_in(bucket_of, item_count, bucket_count, chunk_len, parts, identity,
                            add_item, combine, out);
}

}  // namespace tamble
