#pragma once
// Data-parallel algorithms on the worker pool. Every result is independent of
// the thread count: element-wise work writes disjoint elements, reductions use
// fixed blocks combined in block order.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tamble/array.h"
#include "tamble/device.h"
#include "tamble/runtime.h"

namespace tamble {

namespace detail {
// Processor code only: a GPU device ends the process with a message.
void refuse_gpu(const device* dev, const char* algorithm);
// Radix passes the calling thread's last sort_by_key made (for tests).
unsigned last_sort_pass_count();

template <class Body>
void static_task(void* ctx, unsigned index) {
  index_range r = static_chunk(index);
  (*static_cast<Body*>(ctx))(r.begin, r.end);
}

template <class Body>
void dynamic_task(void* ctx, unsigned index) {
  std::size_t i;
  while (next_dynamic_index(i)) (*static_cast<Body*>(ctx))(i, index);
}
}  // namespace detail

// body(lo, hi) over static chunks of [0, n); serial when the fallback applies.
template <class Body>
void parallel_chunks(std::size_t n, Body body, std::size_t serial_below = kSerialBelow) {
  if (n == 0) return;
  if (runs_serially(n, serial_below)) {
    body(std::size_t{0}, n);
    return;
  }
  parallel_loop(&detail::static_task<Body>, &body, 0, n, false);
}

// body(i, participant) for every i in [0, n), indices handed out one at a time.
template <class Body>
void parallel_dynamic(std::size_t n, Body body, std::size_t serial_below = 2) {
  if (n == 0) return;
  if (runs_serially(n, serial_below)) {
    for (std::size_t i = 0; i < n; ++i) body(i, 0u);
    return;
  }
  parallel_loop(&detail::dynamic_task<Body>, &body, 0, n, true);
}

// f(i) for every i in [0, n). serial_below lets coarse items (rows, blocks)
// use the pool with fewer than 4096 of them.
template <class F>
void for_each_index(device* dev, std::size_t n, F f, std::size_t serial_below = kSerialBelow) {
  detail::refuse_gpu(dev, "for_each_index");
  parallel_chunks(
      n, [&](std::size_t lo, std::size_t hi) {
        for (std::size_t i = lo; i < hi; ++i) f(i);
      },
      serial_below);
}

template <class T>
void fill(device* dev, T* data, std::size_t n, const T& value) {
  detail::refuse_gpu(dev, "fill");
  parallel_chunks(n, [&](std::size_t lo, std::size_t hi) {
    for (std::size_t i = lo; i < hi; ++i) data[i] = value;
  });
}

template <class T>
void fill(device* dev, array<T>& a, const T& value) {
  fill(dev, a.data(), a.size(), value);
}

template <class In, class Out, class F>
void transform(device* dev, const In* in, std::size_t n, Out* out, F f) {
  detail::refuse_gpu(dev, "transform");
  parallel_chunks(n, [&](std::size_t lo, std::size_t hi) {
    for (std::size_t i = lo; i < hi; ++i) out[i] = f(in[i]);
  });
}

template <class T, class F>
void transform_inplace(device* dev, T* a, std::size_t n, F f) {
  detail::refuse_gpu(dev, "transform_inplace");
  parallel_chunks(n, [&](std::size_t lo, std::size_t hi) {
    for (std::size_t i = lo; i < hi; ++i) a[i] = f(a[i]);
  });
}

template <class T, class F>
void tabulate(device* dev, T* out, std::size_t n, F f) {
  detail::refuse_gpu(dev, "tabulate");
  parallel_chunks(n, [&](std::size_t lo, std::size_t hi) {
    for (std::size_t i = lo; i < hi; ++i) out[i] = f(i);
  });
}

// Deterministic reduction: block_fn(lo, hi) reduces one block of `block`
// elements; the block results are combined left to right in block order.
template <class R, class BlockF, class Combine>
R blocked_reduce(device* dev, std::size_t n, std::size_t block, R identity, BlockF block_fn,
                 Combine combine) {
  detail::refuse_gpu(dev, "blocked_reduce");
  if (n == 0) return identity;
  std::size_t blocks = (n + block - 1) / block;
  std::vector<R> partial(blocks, identity);
  parallel_chunks(
      blocks,
      [&](std::size_t lo, std::size_t hi) {
        for (std::size_t b = lo; b < hi; ++b) {
          std::size_t first = b * block;
          std::size_t last = first + block < n ? first + block : n;
          partial[b] = block_fn(first, last);
        }
      },
      n < kSerialBelow ? blocks + 1 : 2);
  R result = identity;
  for (std::size_t b = 0; b < blocks; ++b) result = combine(result, partial[b]);
  return result;
}

// Stable LSD radix sort of keys with their values (8-bit digits, passes whose
// byte is equal in every key are skipped).
void sort_by_key(std::uint32_t* keys, double* values, std::size_t count);

// Collapses runs of equal adjacent keys into one key and the sum of its values;
// returns the number of runs. Uses min(key_count, value_count) pairs.
std::size_t reduce_by_key(device* dev, const std::uint32_t* keys, std::size_t key_count,
                          const double* values, std::size_t value_count, std::uint32_t* out_keys,
                          double* out_values);

// Compressed-sparse-row grouping of items by bucket. Items whose bucket
// number is not below bucket_count belong to no bucket and are left out.
struct csr_buckets {
  std::vector<std::uint32_t> offsets;  // bucket_count + 1 entries
  array<std::uint32_t> items;          // item numbers grouped by bucket, ascending within one
};
// Refused memory throws std::bad_alloc.
csr_buckets group_by_bucket(device* dev, const std::uint32_t* bucket_of, std::size_t item_count,
                            std::uint32_t bucket_count);
csr_buckets group_by_bucket(device* dev, const std::uint8_t* bucket_of, std::size_t item_count,
                            std::uint32_t bucket_count);

// Groups items by bucket, runs chunk_fn(bucket, items, count) -> R on chunks of
// at most chunk_len items of one bucket in parallel, folds each bucket's chunk
// results in chunk order with combine, and writes one record per bucket
// (the identity for an empty bucket).
template <class R, class ChunkF, class Combine, class Bucket>
void build_csr_buckets(device* dev, const Bucket* bucket_of, std::size_t item_count,
                       std::uint32_t bucket_count, std::uint32_t chunk_len, const R& identity,
                       ChunkF chunk_fn, Combine combine, R* out) {
  detail::refuse_gpu(dev, "build_csr_buckets");
  csr_buckets csr = group_by_bucket(dev, bucket_of, item_count, bucket_count);
  if (chunk_len == 0) chunk_len = 1;
  struct task {
    std::uint32_t bucket;
    std::uint32_t first;
    std::uint32_t count;
  };
  std::vector<task> tasks;
  for (std::uint32_t b = 0; b < bucket_count; ++b) {
    // 64-bit steps: a huge chunk length must not wrap around to the start.
    for (std::uint64_t s = csr.offsets[b]; s < csr.offsets[b + 1]; s += chunk_len) {
      std::uint32_t left = static_cast<std::uint32_t>(csr.offsets[b + 1] - s);
      tasks.push_back({b, static_cast<std::uint32_t>(s), left < chunk_len ? left : chunk_len});
    }
  }
  std::vector<R> results(tasks.size(), identity);
  auto run = [&](std::size_t t, unsigned) {
    results[t] = chunk_fn(tasks[t].bucket, csr.items.data() + tasks[t].first,
                          static_cast<std::size_t>(tasks[t].count));
  };
  if (tasks.size() == 1 || runs_serially(item_count)) {
    for (std::size_t t = 0; t < tasks.size(); ++t) run(t, 0);
  } else {
    parallel_dynamic(tasks.size(), run);
  }
  for (std::uint32_t b = 0; b < bucket_count; ++b) out[b] = identity;
  for (std::size_t t = 0; t < tasks.size(); ++t)
    out[tasks[t].bucket] = combine(out[tasks[t].bucket], results[t]);
}

}  // namespace tamble
