#pragma once
// 64-bit fingerprints that key the working-space and histogram caches.
#include <cstddef>
#include <cstdint>

#include "tamble/device.h"

inline constexpr std::uint64_t kFingerprintMultiplier = 0xbf58476d1ce4e5b9ull;

// Hash of a byte array, computed over 65536-byte chunks in parallel and
// combined in chunk order, so the value never depends on the thread count.
std::uint64_t fingerprint_bytes(tamble::device* dev, const void* data, std::size_t bytes);

// Key of an image: its pixel count, its RGBA bytes and its gamma.
std::uint64_t image_key(tamble::device* dev, const std::uint8_t* pixels, std::size_t pixel_count,
                        double gamma);

// Key of a histogram: the importance map it was weighted with, the image key and the speed.
std::uint64_t histogram_key(tamble::device* dev, const double* importance,
                            std::size_t pixel_count, std::uint64_t image_key,
                            std::uint32_t speed);
