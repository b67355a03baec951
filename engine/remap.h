#pragma once
// Undithered remap, dither-map damping, the per-pixel dither level and
// error diffusion ("Floyd-Steinberg").
#include <cstdint>

#include "engine/palette.h"
#include "engine/work_color.h"
#include "tamble/device.h"

struct RemapImage {
  const WorkColor* pixels;  // width x height working colours
  std::uint32_t width;
  std::uint32_t height;
};

// Writes every pixel's index and moves the palette one k-means step; returns
// the mean colour difference of the non-transparent pixels.
double remap_plain(tamble::device* dev, const RemapImage& image, Palette& palette,
                   double opaque_threshold, std::uint8_t* output);

// Scales the edge map by how lonely each pixel's index is in its row run.
void damp_dither_map(tamble::device* dev, const std::uint8_t* indices, std::uint32_t width,
                     std::uint32_t height, double* edge_map);

// Dithering amount of pixel i (uncapped); edge_map may be null. Reads the
// floor, strength and dither map from g_engine.
double dither_level(const double* edge_map, std::size_t i, std::uint32_t width,
                    std::uint32_t height);

// Error diffusion on the calling thread. `remapped` says output already holds
// remap_plain's indices.
void remap_diffused(tamble::device* dev, const RemapImage& image, const Palette& palette,
                    double opaque_threshold, const double* edge_map, bool remapped,
                    double diffusion_limit, std::uint8_t* output);
