#pragma once
// The engine says "out of memory" one way: std::bad_alloc, as the standard
// containers do. A stage that cannot have its memory throws it, leaving its
// outputs unwritten; run_pipeline turns it into kQuantizeOutOfMemory. Device
// arrays report a refusal by failed() instead; this turns that into the throw.
#include <cstddef>
#include <new>

#include "tamble/array.h"

template <class T>
tamble::array<T> required_array(tamble::device* dev, std::size_t count) {
  tamble::array<T> a(dev, count);
  if (a.failed()) throw std::bad_alloc();
  return a;
}
