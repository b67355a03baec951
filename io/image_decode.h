#pragma once
// Reading any supported image file into 8-bit RGBA with its gamma.
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "io/decoded_image.h"
#include "io/io_status.h"

// PNG files take the dedicated path (file gamma honoured, 16-bit samples
// rounded to 8 bits); everything else, and PNGs it rejects, the platform
// decoder. On failure `image` is untouched; io_message tells why.
IoStatus load_image_file(const std::string& path, DecodedImage& image);

// An image read whole from a stream (standard input), any format; a PNG's gamma honoured.
IoStatus load_image_stream(std::FILE* stream, DecodedImage& image);

// All of a stream, up to 4 GB and what memory allows (kTooLarge beyond);
// kUnrecognised when it is empty.
IoStatus read_whole_stream(std::FILE* file, std::vector<std::uint8_t>& bytes);

// Reads a whole PNG from an open file; writes its own diagnostics to stderr.
IoStatus decode_png_stream(std::FILE* file, DecodedImage& image);

// Any image file read whole and handed to the platform's decoder below.
IoStatus decode_with_platform(const std::string& path, DecodedImage& image);
// The platform's decoder for every format (decode_libs.cpp on Linux, the
// Windows Imaging Component on Windows, after the checks both share) for a
// file already in memory.
IoStatus decode_bytes_with_platform(const std::vector<std::uint8_t>& bytes, DecodedImage& image);
