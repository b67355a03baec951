#pragma once
// Importance (noise) and edge maps from the local contrast of the working image.
#include <cstdint>

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
