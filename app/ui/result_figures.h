#pragma once
// How the Result section writes its figures.
#include <cstdint>
#include <string>

// "%.2f MB" from 1 MiB, "%zu B" below 1 KiB, else "%.1f KB".
std::string byte_size_text(std::uint64_t bytes);
// The 8-bit PNG's share of the 32-bit one: "     ratio: %.1f%% (%.1f%% smaller)",
// empty while either size is unknown.
std::string ratio_text(std::uint64_t png_size, std::uint64_t source_size);
