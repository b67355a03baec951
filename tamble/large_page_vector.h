#pragma once
// Whole-image std::vectors on large pages. Faulting in a fresh block costs a
// trap per small page; offered large pages before the first touch, the
// same block takes a few. The vector's type stays the plain one its readers use.
#include <cstddef>
#include <vector>

#include "tamble/os_memory.h"

namespace tamble {

// Makes `v` n value-initialised elements in a block of its own, offered large
// pages before anything touches it; what `v` held is dropped.
template <class T>
void assign_on_large_pages(std::vector<T>& v, std::size_t n) {
  std::vector<T>().swap(v);
  v.reserve(n);
  os::advise_large_pages(v.data(), n * sizeof(T));
  v.resize(n);
}

}  // namespace tamble
