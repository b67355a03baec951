// Counting sort of item numbers by bucket into compressed-sparse-row form.
#include <new>
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/participant_chunks.h"

namespace tamble {

namespace {

// Per-chunk count tables pay off only when the items outweigh the tables.
bool count_in_parallel(std::size_t items, std::uint32_t buckets) {
  if (runs_serially(items)) return false;
  return items * 8 + 1048576 >= static_cast<std::size_t>(buckets) * thread_count();
}

template <class Bucket>
csr_buckets group_items(device* dev, const Bucket* bucket_of, std::size_t item_count,
                        std::uint32_t bucket_count) {
  detail::refuse_gpu(dev, "group_by_bucket");
  const std::size_t buckets = bucket_count;
  const unsigned parts = count_in_parallel(item_count, bucket_count)
                             ? (item_count < thread_count() ? static_cast<unsigned>(item_count)
                                                            : thread_count())
                             : 1;
  // counts[c * buckets + b]: items of chunk c in bucket b. Items naming a
  // bucket that does not exist are left out rather than written out of bounds.
  std::vector<std::uint32_t> counts(parts * buckets, 0);
  detail::for_each_participant_chunk(item_count, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
    std::uint32_t* mine = counts.data() + c * buckets;
    for (std::size_t i = lo; i < hi; ++i)
      if (bucket_of[i] < bucket_count) ++mine[bucket_of[i]];
  });

  csr_buckets csr;
  csr.offsets.assign(buckets + 1, 0);
  std::uint32_t sum = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    csr.offsets[b] = sum;
    for (unsigned c = 0; c < parts; ++c) {
      std::uint32_t n = counts[c * buckets + b];
      counts[c * buckets + b] = sum;
      sum += n;
    }
  }
  csr.offsets[buckets] = sum;

  // Every slot is written below: no fill first. Process memory, as the
  // grouping runs on the processor whatever device the caller names.
  csr.items = array<std::uint32_t>(get_cpu_device(), sum);
  if (csr.items.failed()) throw std::bad_alloc();
  detail::for_each_participant_chunk(item_count, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
    std::uint32_t* next = counts.data() + c * buckets;
    for (std::size_t i = lo; i < hi; ++i)
      if (bucket_of[i] < bucket_count) csr.items[next[bucket_of[i]]++] = static_cast<std::uint32_t>(i);
  });
  return csr;
}

}  // namespace

csr_buckets group_by_bucket(device* dev, const std::uint32_t* bucket_of, std::size_t item_count,
                            std::uint32_t bucket_count) {
  return group_items(dev, bucket_of, item_count, bucket_count);
}

csr_buckets group_by_bucket(device* dev, const std::uint8_t* bucket_of, std::size_t item_count,
                            std::uint32_t bucket_count) {
  return group_items(dev, bucket_of, item_count, bucket_count);
}

}  // namespace tamble
