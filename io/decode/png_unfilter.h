#pragma once
// Undoing PNG's row filters (None, Sub, Up, Average, Paeth) on 8-bit samples.
#include <cstddef>
#include <cstdint>

// Writes the `bytes` raw bytes of one row to `out` from its filtered bytes
// (without the filter-type byte). `prior` is the previous row already
// unfiltered, all zero above the first row; `pixel_bytes` is 1 to 4. When
// `pixel_bytes` is 3, `out` must have one byte of room after the row. With
// four-byte pixels `out` may start before `filtered` and overlap it
// (unfiltering in place): each byte is read before anything is written over it.
// False for a filter type other than 0 to 4.
bool unfilter_png_row(int filter, const std::uint8_t* filtered, const std::uint8_t* prior,
                      std::uint8_t* out, std::size_t bytes, int pixel_bytes);
