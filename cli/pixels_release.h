#pragma once
// The decoded pixels serve only the engine's first stages of a batch run:
// they are given back as soon as the engine reads them no more, so their
// memory serves the run's later stages instead of fresh pages.
#include <cstdint>
#include <vector>

#include "engine/input_release.h"
#include "io/decoded_image.h"

class PixelsRelease final : public InputRelease {
 public:
  explicit PixelsRelease(PixelBytes& pixels) : pixels_(pixels) {}
  void input_done() override { PixelBytes().swap(pixels_); }

 private:
  PixelBytes& pixels_;
};
