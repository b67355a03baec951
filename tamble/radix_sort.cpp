// Stable least-significant-digit radix sort of 32-bit keys carrying 64-bit values.
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/participant_chunks.h"

namespace tamble {

namespace {

constexpr std::size_t kParallelSortFrom = 65536;

thread_local unsigned t_last_passes = 0;

using histogram = std::size_t[256];

struct sort_buffers {
  const std::uint32_t* src_k;
  const double* src_v;
  std::uint32_t* dst_k;
  double* dst_v;
};

void count_digits(const std::uint32_t* keys, std::size_t lo, std::size_t hi, int shift,
                  histogram& h) {
  for (std::size_t d = 0; d < 256; ++d) h[d] = 0;
  for (std::size_t i = lo; i < hi; ++i) ++h[(keys[i] >> shift) & 0xFF];
}

void scatter(const sort_buffers& b, std::size_t lo, std::size_t hi, int shift, histogram& next) {
  for (std::size_t i = lo; i < hi; ++i) {
    std::uint32_t k = b.src_k[i];
    std::size_t at = next[(k >> shift) & 0xFF]++;
    b.dst_k[at] = k;
    b.dst_v[at] = b.src_v[i];
  }
}

// Turns per-chunk digit counts into per-chunk start offsets: digit by digit,
// and within a digit chunk by chunk, so earlier chunks land first (stable).
void counts_to_offsets(std::vector<histogram>& h) {
  std::size_t sum = 0;
  for (std::size_t d = 0; d < 256; ++d) {
    for (auto& part : h) {
      std::size_t c = part[d];
      part[d] = sum;
      sum += c;
    }
  }
}

void radix_pass(const sort_buffers& b, std::size_t n, int shift, unsigned parts) {
  std::vector<histogram> h(parts);
  if (parts == 1) {
    count_digits(b.src_k, 0, n, shift, h[0]);
    counts_to_offsets(h);
    scatter(b, 0, n, shift, h[0]);
    return;
  }
  detail::for_each_participant_chunk(n, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
    count_digits(b.src_k, lo, hi, shift, h[c]);
  });
  counts_to_offsets(h);
  detail::for_each_participant_chunk(n, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
    scatter(b, lo, hi, shift, h[c]);
  });
}

void key_or_and(const std::uint32_t* keys, std::size_t n, unsigned parts, std::uint32_t& any,
                std::uint32_t& all) {
  std::vector<std::uint32_t> ors(parts, 0), ands(parts, ~0u);
  detail::for_each_participant_chunk(n, parts, [&](unsigned c, std::size_t lo, std::size_t hi) {
    std::uint32_t o = 0, a = ~0u;
    for (std::size_t i = lo; i < hi; ++i) {
      o |= keys[i];
      a &= keys[i];
    }
    ors[c] = o;
    ands[c] = a;
  });
  any = 0;
  all = ~0u;
  for (unsigned c = 0; c < parts; ++c) {
    any |= ors[c];
    all &= ands[c];
  }
}

}  // namespace

namespace detail {
unsigned last_sort_pass_count() { return t_last_passes; }
}  // namespace detail

void sort_by_key(std::uint32_t* keys, double* values, std::size_t count) {
  t_last_passes = 0;
  if (count < 2) return;
  bool parallel = count >= kParallelSortFrom && count <= 0x7FFFFFFFu && thread_count() >= 2 &&
                  !in_parallel_region();
  unsigned parts = 1;
  if (parallel) parts = count < thread_count() ? static_cast<unsigned>(count) : thread_count();

  std::uint32_t any = 0, all = ~0u;
  key_or_and(keys, count, parts, any, all);

  std::unique_ptr<std::uint32_t[]> spare_k;
  std::unique_ptr<double[]> spare_v;
  std::uint32_t* src_k = keys;
  double* src_v = values;
  for (int shift = 0; shift < 32; shift += 8) {
    // A byte shared by every key cannot change the order.
    if (((any >> shift) & 0xFF) == ((all >> shift) & 0xFF)) continue;
    if (!spare_k) {
      spare_k.reset(new std::uint32_t[count]);
      spare_v.reset(new double[count]);
    }
    std::uint32_t* dst_k = src_k == keys ? spare_k.get() : keys;
    double* dst_v = src_v == values ? spare_v.get() : values;
    radix_pass({src_k, src_v, dst_k, dst_v}, count, shift, parts);
    src_k = dst_k;
    src_v = dst_v;
    ++t_last_passes;
  }
  if (src_k != keys) {
    std::memcpy(keys, src_k, count * sizeof(std::uint32_t));
    std::memcpy(values, src_v, count * sizeof(double));
  }
}

}  // namespace tamble
