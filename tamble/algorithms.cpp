#include "tamble/algorithms.h"

#include <cstring>

namespace tamble {

namespace detail {
void refuse_gpu(const device* dev, const char* algorithm) {
  if (dev && dev->is_gpu()) {
    std::fprintf(stderr,
                 "[tamble] %s: algorithm has no GPU path in this TU \xE2\x80\x81"
                 "Edata would be processed by host code. Use a CPU device, or call from a GPU TU / "
                 "a gpu:: variant.\n",
                 algorithm);
    std::abort();
  }
}
}  // namespace detail

void sort_by_key(std::uint32_t* keys, double* values, std::size_t count) {
  if (count < 2) return;
  std::uint32_t all_or = 0, all_and = ~0u;
  for (std::size_t i = 0; i < count; ++i) {
    all_or |= keys[i];
    all_and &= keys[i];
  }
  std::vector<std::uint32_t> k2(count);
  std::vector<double> v2(count);
  std::uint32_t* src_k = keys;
  double* src_v = values;
  std::uint32_t* dst_k = k2.data();
  double* dst_v = v2.data();
  for (int shift = 0; shift < 32; shift += 8) {
    if (((all_or >> shift) & 0xFF) == ((all_and >> shift) & 0xFF)) continue;
    std::size_t offsets[256] = {};
    for (std::size_t i = 0; i < count; ++i) ++offsets[(src_k[i] >> shift) & 0xFF];
    std::size_t sum = 0;
    for (auto& o : offsets) {
      std::size_t c = o;
      o = sum;
      sum += c;
    }
    for (std::size_t i = 0; i < count; ++i) {
      std::size_t at = offsets[(src_k[i] >> shift) & 0xFF]++;
      dst_k[at] = src_k[i];
      dst_v[at] = src_v[i];
    }
    std::swap(src_k, dst_k);
    std::swap(src_v, dst_v);
  }
  if (src_k != keys) {
    std::memcpy(keys, src_k, count * sizeof(std::uint32_t));
    std::memcpy(values, src_v, count * sizeof(double));
  }
}

std::size_t reduce_by_key(device* dev, const std::uint32_t* keys, std::size_t key_count,
                          const double* values, std::size_t value_count, std::uint32_t* out_keys,
                          double* out_values) {
  detail::refuse_gpu(dev, "reduce_by_key");
  std::size_t n = key_count < value_count ? key_count : value_count;
  if (n == 0) return 0;
  std::size_t runs = 0;
  out_keys[0] = keys[0];
  out_values[0] = values[0];
  for (std::size_t i = 1; i < n; ++i) {
    if (keys[i] == out_keys[runs]) {
      out_values[runs] += values[i];
    } else {
      ++runs;
      out_keys[runs] = keys[i];
      out_values[runs] = values[i];
    }
  }
  return runs + 1;
}

csr_buckets group_by_bucket(device*, const std::uint32_t* bucket_of, std::size_t item_count,
                            std::uint32_t bucket_count) {
  csr_buckets csr;
  csr.offsets.assign(static_cast<std::size_t>(bucket_count) + 1, 0);
  for (std::size_t i = 0; i < item_count; ++i) ++csr.offsets[bucket_of[i] + 1];
  for (std::uint32_t b = 0; b < bucket_count; ++b) csr.offsets[b + 1] += csr.offsets[b];
  std::vector<std::uint32_t> next(csr.offsets.begin(), csr.offsets.end() - 1);
  csr.items.resize(item_count);
  for (std::size_t i = 0; i < item_count; ++i)
    csr.items[next[bucket_of[i]]++] = static_cast<std::uint32_t>(i);
  return csr;
}

}  // namespace tamble
