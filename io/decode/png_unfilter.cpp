#include "io/decode/png_unfilter.h"

#include <emmintrin.h>

#include <cstdlib>
#include <cstring>

namespace {

enum Filter { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

void unfilter_up(const std::uint8_t* filtered, const std::uint8_t* prior, std::uint8_t* out,
                 std::size_t bytes) {
  std::size_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(filtered + i));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_add_epi8(f, b));
  }
  for (; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(filtered[i] + prior[i]);
}

// Byte-wise filters with a pixel of one or two bytes: rare (grey images), kept simple.
void unfilter_bytes(int filter, const std::uint8_t* filtered, const std::uint8_t* prior,
                    std::uint8_t* out, std::size_t bytes, std::size_t bpp) {
  for (std::size_t i = 0; i < bytes; ++i) {
    int a = i >= bpp ? out[i - bpp] : 0;
    int b = prior[i];
    int c = i >= bpp ? prior[i - bpp] : 0;
    int predicted = 0;
    if (filter == kSub) {
      predicted = a;
    } else if (filter == kAverage) {
      predicted = (a + b) >> 1;
    } else {
      int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
      predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    }
    out[i] = static_cast<std::uint8_t>(filtered[i] + predicted);
  }
}

// Sub, Average and Paeth depend on the pixel to the left, so they run one
// pixel at a time, all of its samples at once in a vector register.
// Three bytes are put together in a register: a three-byte copy through
// memory would stall on every pixel.
template <int kBpp>
__m128i load_pixel(const std::uint8_t* p) {
  std::uint32_t v = 0;
  if constexpr (kBpp == 4) {
    std::memcpy(&v, p, 4);
  } else {
    std::uint16_t low = 0;
    std::memcpy(&low, p, 2);
    v = low | std::uint32_t{p[2]} << 16;
  }
  return _mm_cvtsi32_si128(static_cast<int>(v));
}

// Stores four bytes; with three-byte pixels the fourth lands where the next
// pixel goes (or in the room after the row).
void store_pixel(std::uint8_t* p, __m128i v) {
  std::uint32_t bits = static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
  std::memcpy(p, &bits, 4);
}

template <int kBpp>
void unfilter_sub(const std::uint8_t* filtered, std::uint8_t* out, std::size_t bytes) {
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i < bytes; i += kBpp) {
    a = _mm_add_epi8(a, load_pixel<kBpp>(filtered + i));
    store_pixel(out + i, a);
  }
}

template <int kBpp>
void unfilter_average(const std::uint8_t* filtered, const std::uint8_t* prior, std::uint8_t* out,
                      std::size_t bytes) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i < bytes; i += kBpp) {
    __m128i b = load_pixel<kBpp>(prior + i);
    // avg_epu8 rounds up; the filter rounds down.
    __m128i mean = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    a = _mm_add_epi8(mean, load_pixel<kBpp>(filtered + i));
    store_pixel(out + i, a);
  }
}

__m128i abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

template <int kBpp>
void unfilter_paeth(const std::uint8_t* filtered, const std::uint8_t* prior, std::uint8_t* out,
                    std::size_t bytes) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, c = zero;  // left and upper left, as 16-bit lanes
  for (std::size_t i = 0; i < bytes; i += kBpp) {
    __m128i b = _mm_unpacklo_epi8(load_pixel<kBpp>(prior + i), zero);
    __m128i b_minus_c = _mm_sub_epi16(b, c), a_minus_c = _mm_sub_epi16(a, c);
    __m128i pa = abs16(b_minus_c), pb = abs16(a_minus_c);
    __m128i pc = abs16(_mm_add_epi16(b_minus_c, a_minus_c));
    __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
    // a on the first tie, then b, then c.
    __m128i take_a = _mm_cmpeq_epi16(smallest, pa);
    __m128i take_b = _mm_andnot_si128(take_a, _mm_cmpeq_epi16(smallest, pb));
    __m128i predicted = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(take_a, a), _mm_and_si128(take_b, b)),
        _mm_andnot_si128(_mm_or_si128(take_a, take_b), c));
    __m128i x = _mm_add_epi8(_mm_packus_epi16(predicted, zero), load_pixel<kBpp>(filtered + i));
    store_pixel(out + i, x);
    a = _mm_unpacklo_epi8(x, zero);
    c = b;
  }
}

template <int kBpp>
void unfilter_pixels(int filter, const std::uint8_t* filtered, const std::uint8_t* prior,
                     std::uint8_t* out, std::size_t bytes) {
  if (filter == kSub) unfilter_sub<kBpp>(filtered, out, bytes);
  if (filter == kAverage) unfilter_average<kBpp>(filtered, prior, out, bytes);
  if (filter == kPaeth) unfilter_paeth<kBpp>(filtered, prior, out, bytes);
}

}  // namespace

bool unfilter_png_row(int filter, const std::uint8_t* filtered, const std::uint8_t* prior,
                      std::uint8_t* out, std::size_t bytes, int pixel_bytes) {
  if (filter < kNone || filter > kPaeth) return false;
  if (filter == kNone) {
    std::memmove(out, filtered, bytes);
  } else if (filter == kUp) {
    unfilter_up(filtered, prior, out, bytes);
  } else if (pixel_bytes == 4) {
    unfilter_pixels<4>(filter, filtered, prior, out, bytes);
  } else if (pixel_bytes == 3) {
    unfilter_pixels<3>(filter, filtered, prior, out, bytes);
  } else {
    unfilter_bytes(filter, filtered, prior, out, bytes, static_cast<std::size_t>(pixel_bytes));
  }
  return true;
}
