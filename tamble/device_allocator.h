#pragma once
// A standard allocator over the processor device, for containers whose
// blocks should take part in freed-block reuse (block_reuse.h): a large
// block freed while a scope is open then serves a later stage's array.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "tamble/device.h"

namespace tamble {

template <class T>
struct device_allocator {
  using value_type = T;

  device_allocator() noexcept = default;
  template <class U>
  device_allocator(const device_allocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    void* p = get_cpu_device()->allocate(n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { get_cpu_device()->free(p); }

  template <class U>
  bool operator==(const device_allocator<U>&) const noexcept {
    return true;
  }
};

// Bytes on the processor device.
using device_bytes = std::vector<std::uint8_t, device_allocator<std::uint8_t>>;

// Contents compare across the two allocators (either order, by rewriting).
template <class T>
bool operator==(const std::vector<T, device_allocator<T>>& a, const std::vector<T>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace tamble
