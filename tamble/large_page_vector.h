#pragma once
// Whole-image std::vectors on large pages. Faulting in a fresh block costs a
// trap per small page; offered large pages and backed in one call before the
// first touch, it costs none. The vector's type stays the plain one its
// readers use.
#include <cstddef>
#include <vector>

#include "tamble/os_memory.h"

namespace tamble {

// Makes `v` n value-initialised elements in a block of its own, backed (on
// large pages where they fit) before anything touches it; what `v` held is
// dropped. Value-initialising writes every page, so backing them first adds
// no memory.
template <class T, class Allocator>
void assign_on_large_pages(std::vector<T, Allocator>& v, std::size_t n) {
  std::vector<T, Allocator>().swap(v);
  v.reserve(n);
  os::advise_large_pages(v.data(), n * sizeof(T));
  os::populate_pages(v.data(), n * sizeof(T));
  v.resize(n);
}

}  // namespace tamble
