#pragma once
// Reading any supported image file into 8-bit RGBA with its gamma.
#include <cstdio>
#include <string>

#include "io/decoded_image.h"

// PNG files take the dedicated path (file gamma honoured, 16-bit samples keep
// their high byte); everything else, and PNGs it rejects, the platform decoder.
// On failure `image` is untouched and `message` says why.
bool load_image_file(const std::string& path, DecodedImage& image, std::string& message);

enum PngDecodeStatus : int {
  kPngDecodeOk = 0,
  kPngDecodeInputProblem = 2,
  kPngDecodeOutOfMemory = 24,
  kPngDecodeFailed = 25,
};

// Reads a whole PNG from an open file; writes its own messages to stderr.
int decode_png_stream(std::FILE* file, DecodedImage& image);

// The platform's decoder for every format (decode_libs.cpp on Linux).
bool decode_with_platform(const std::string& path, DecodedImage& image, std::string& message);
