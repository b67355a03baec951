#pragma once
// Row-wise parallel loops over a width x height image. Rows are coarse work
// items, so images with few rows still use the pool; tiny images stay serial.
#include <cstddef>

#include "tamble/algorithms.h"

template <class F>
void for_each_row(tamble::device* dev, std::size_t rows, std::size_t row_length, F row_fn) {
  std::size_t serial_below = rows * row_length < tamble::kSerialBelow ? rows + 1 : 2;
  tamble::for_each_index(dev, rows, row_fn, serial_below);
}
