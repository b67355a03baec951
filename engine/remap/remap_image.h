#pragma once
// The working-colour image every remap reads.
#include <cstdint>

#include "engine/colour/work_color.h"

struct RemapImage {
  const WorkColor* pixels;  // width x height working colours
  std::uint32_t width;
  std::uint32_t height;
};
