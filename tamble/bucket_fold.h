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
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/participant_chunks.h"

namespace tamble {

namespace detail {

struct set_aside {
  std::uint32_t bucket;
  std::uint32_t item;
};

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
      std::uint64_t* mine = starts.data() + (c + 1) * buckets;
      for (std::size_t i = lo; i < hi; ++i)
        if (bucket_of[i] < bucket_count) ++mine[bucket_of[i]];
    });
    for (unsigned c = 1; c <= parts; ++c)
      for (std::size_t b = 0; b < buckets; ++b)
        starts[c * buckets + b] += starts[(c - 1) * buckets + b];
  } else {
    std::uint64_t* all = starts.data() + buckets;
    for (std::size_t i = 0; i < item_count; ++i)
      if (bucket_of[i] < bucket_count) ++all[bucket_of[i]];
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
    for (std::size_t i = lo; i < hi; ++i) {
      const std::uint32_t b = bucket_of[i];
      if (b >= bucket_count) continue;
      if (finish[b]) {
        --finish[b];
        later.push_back({b, static_cast<std::uint32_t>(i)});
        continue;
      }
      if (left[b] == 0) {
        open[b] = identity;
        left[b] = chunk_len;
      }
      add_item(open[b], i);
      if (--left[b] == 0) chunks[slot[b]++] = open[b];
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
