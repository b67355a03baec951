#pragma once
// A view of the image in working colours: either one colour per pixel, or
// the image's distinct colours with each pixel's number among them.
#include <cstddef>
#include <cstdint>

#include "engine/colour/work_color.h"

struct WorkImage {
  const WorkColor* pixels;  // width x height colours, or the colours `ids` number
  std::uint32_t width;
  std::uint32_t height;
  const std::uint32_t* ids = nullptr;
  std::size_t colour_count = 0;  // with ids: how many colours they number
  const std::uint32_t* words = nullptr;  // with ids, when known: each colour's RGBA word

  const WorkColor& at(std::size_t i) const { return ids ? pixels[ids[i]] : pixels[i]; }
};
