#include "engine/fingerprint.h"

#include <bit>
#include <cstring>
#include <vector>

#include "tamble/algorithms.h"

namespace {
constexpr std::size_t kChunkBytes = 65536;
constexpr std::uint64_t kChunkSeed = 0x9e3779b97f4a7c15ull;

std::uint64_t mix(std::uint64_t h, std::uint64_t w) {
  h = (h ^ w) * kFingerprintMultiplier;
  return h ^ (h >> 29);
}

std::uint64_t load_le(const std::uint8_t* p, std::size_t len) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < len; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return v;
}

// A whole little-endian word; one load where the processor is little-endian
// (the byte loop is not merged into one by the compiler).
std::uint64_t load_word_le(const std::uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    return load_le(p, 8);
  }
}

std::uint64_t chunk_hash(const std::uint8_t* p, std::size_t len) {
  std::uint64_t h = kChunkSeed;
  std::size_t words = len / 8;
  for (std::size_t i = 0; i < words; ++i) h = mix(h, load_word_le(p + 8 * i));
  // The tail (possibly empty) is always mixed in, as one zero-padded word.
  return mix(h, load_le(p + 8 * words, len - 8 * words));
}
}  // namespace

std::uint64_t fingerprint_bytes(tamble::device* dev, const void* data, std::size_t bytes) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  std::size_t chunks = bytes == 0 ? 1 : (bytes + kChunkBytes - 1) / kChunkBytes;
  std::vector<std::uint64_t> hashes(chunks);
  tamble::for_each_index(
      dev, chunks,
      [&](std::size_t c) {
        std::size_t first = c * kChunkBytes;
        std::size_t len = bytes - first < kChunkBytes ? bytes - first : kChunkBytes;
        hashes[c] = chunk_hash(p + first, len);
      },
      2);
  std::uint64_t h = hashes[0];
  for (std::size_t c = 1; c < chunks; ++c) h = mix(h, hashes[c]);
  return h;
}

std::uint64_t image_key(tamble::device* dev, const std::uint8_t* pixels, std::size_t pixel_count,
                        double gamma) {
  std::uint64_t n = pixel_count;
  std::uint64_t k = (n ^ fingerprint_bytes(dev, pixels, 4 * pixel_count)) * kFingerprintMultiplier;
  std::uint64_t gamma_bits;
  std::memcpy(&gamma_bits, &gamma, sizeof gamma_bits);
  k = (k ^ (k >> 29) ^ gamma_bits) * kFingerprintMultiplier;
  return k ^ (k >> 29);
}

std::uint64_t histogram_key(tamble::device* dev, const double* importance,
                            std::size_t pixel_count, std::uint64_t image_key,
                            std::uint32_t speed) {
  std::uint64_t j = fingerprint_bytes(dev, importance, 8 * pixel_count);
  std::uint64_t g = (j ^ image_key) * kFingerprintMultiplier;
  g = g ^ (g >> 29) ^ speed;
  g = g * kFingerprintMultiplier;
  return g ^ (g >> 29);
}
