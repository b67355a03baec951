#pragma once
// Importance (noise) and edge maps from the local contrast of the working image.
#include <cstddef>
#include <cstdint>

#include "engine/colour/contrast_bands.h"

#include "engine/colour/work_color.h"
#include "engine/colour/work_image.h"
#include "tamble/device.h"

// Both maps stay untouched when width or height is 3 or less. A null edge
// map is not made (the noise map is the same). Refused working memory throws
// std::bad_alloc with the maps untouched.
void compute_contrast_maps(tamble::device* dev, const WorkColor* image, std::uint32_t width,
                           std::uint32_t height, double* noise_map, double* edge_map);
void compute_contrast_maps(tamble::device* dev, const WorkImage& image, double* noise_map,
                           double* edge_map);

// Turns a finished noise map of `image` into its edge map in place, bit for
// bit the map compute_contrast_maps makes: a run that has read the noise map
// needs no second whole-image block for the edges. Untouched when width or
// height is 3 or less; refused working memory throws std::bad_alloc.
void edges_over_noise_map(tamble::device* dev, const WorkImage& image, double* map);

// The noise map compute_contrast_maps makes, bit for bit, given to `take` a
// chunk of rows at a time from the top (smooth_noise_in_chunks), and the
// whole edge map unless it is null: for a run that reads the noise map
// once, in pixel order. Needs width and height above 3.
void stream_noise_map(tamble::device* dev, const WorkImage& image, const NoiseRowsTaker& take,
                      double* edge_map = nullptr, std::size_t chunk_rows = 0);

// The most working memory in bytes, beyond the maps, that making the maps of
// a numbered image of this size takes: whole (whole_maps) or streamed.
std::size_t contrast_working_bytes(std::uint32_t width, std::uint32_t height, bool whole_maps);
