#pragma once
// libpng encoders writing to an open file; shared by the file writer and the size probe.
#include <cstdint>
#include <cstdio>

// Returns a PngWriteStatus; indices past the palette give kPngBadArguments.
// Pointers and sizes are assumed checked.
int encode_indexed_png(std::FILE* file, std::uint32_t width, std::uint32_t height, double gamma,
                       const std::uint8_t* const* index_rows, const std::uint8_t* palette,
                       std::uint32_t palette_size);
int encode_rgba_png(std::FILE* file, std::uint32_t width, std::uint32_t height, double gamma,
                    const std::uint8_t* const* rgba_rows);

// 1 + the highest index whose alpha is not 255, 0 when all are opaque.
std::uint32_t transparency_count(const std::uint8_t* palette, std::uint32_t palette_size);

// Packs one row of indices, first pixel in the most significant bits.
void pack_index_row(const std::uint8_t* indices, std::uint32_t width, std::uint32_t depth,
                    std::uint8_t* packed);
