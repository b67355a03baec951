#pragma once
// The smoothing of the contrast maps, made block-wise so that no whole-image
// scratch map is needed: bands of rows measure, widen and blur along rows
// while the rows are in cache, then strips of columns blur down the columns
// and narrow. Every value comes out bit for bit as from whole-image passes.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "tamble/device.h"

// Gives the raw noise and edge values of row y (edges may be null). A band
// asks for its rows one after another going down, band_start marking the
// first; scratch is the band's own, scratch_values long, kept between calls.
struct RowMeasure {
  void (*fn)(const void* ctx, std::size_t y, bool band_start, double* scratch, double* noise,
             double* edges);
  const void* ctx;
  std::size_t scratch_values;
};

// Needs width and height above 3. Writes the whole noise map, and the edge
// map unless it is null. Refused working memory throws std::bad_alloc before
// either map is written.
void smooth_contrast_maps(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                          RowMeasure measure, double* noise_map, double* edge_map);

// The edge map from a finished noise map, in place: each value becomes the
// smaller of it and the closed raw edges, as smooth_contrast_maps makes it.
// Refused working memory throws std::bad_alloc with the map untouched.
void close_edges_over(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                      RowMeasure measure, double* map);

// Receives rows [first, last) of the finished noise map, `rows` holding them
// one after another; the next call overwrites them.
using NoiseRowsTaker =
    std::function<void(const double* rows, std::size_t first, std::size_t last)>;

// The noise map of smooth_contrast_maps, bit for bit, given to `take` a
// chunk of rows at a time from the top, on the calling thread, so that the
// whole map never exists; the whole edge map too unless it is null (each
// chunk's rows are final when the chunk is taken). chunk_rows 0 takes a
// chunk of about 2 MB; other values only to exercise the chunk bounds in
// tests. Needs width and height above 3; refused working memory throws
// std::bad_alloc before any call.
void smooth_noise_in_chunks(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                            RowMeasure measure, const NoiseRowsTaker& take,
                            double* edge_map = nullptr, std::size_t chunk_rows = 0);

// The most working memory, in doubles beyond the maps, that the calls above
// take for an image of this size with edges: smooth_contrast_maps when
// whole_maps, else smooth_noise_in_chunks. For the up-front memory estimate.
std::size_t smoothing_working_values(std::uint32_t width, std::uint32_t height, std::size_t scratch_values,
                                     bool whole_maps);
