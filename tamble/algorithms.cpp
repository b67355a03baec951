#include "tamble/algorithms.h"


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

}  // namespace tamble
