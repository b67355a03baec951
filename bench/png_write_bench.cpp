// Indexed PNG writing: the pieced compressor on the pool against one
// single-stream deflate (what a plain libpng writer does), on generated 8-bit index pictures of photo-like
// content. Run once with KESTRANE_THREADS=1 and once with 2 to see scaling.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/png_encode_parallel.h"
#include "io/png_write.h"
#include "tamble/runtime.h"

namespace {

struct BenchPicture {
  std::uint32_t width, height;
  std::vector<std::uint8_t> pixels;
  std::vector<const std::uint8_t*> rows;
  std::vector<std::uint8_t> palette;
};

std::uint32_t hash2(std::uint32_t x, std::uint32_t y) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 13);
}

// Smooth ramps with a sprinkle of one-step texture, as a quantized photo has.
const BenchPicture& picture(std::uint32_t width, std::uint32_t height) {
  static std::vector<BenchPicture*> made;
  for (BenchPicture* p : made) {
    if (p->width == width && p->height == height) return *p;
  }
  auto* p = new BenchPicture{width, height, std::vector<std::uint8_t>(std::size_t{width} * height), {}, {}};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t smooth = (x * 5 / width) * 40 + (x + 2 * y) / 48 % 40;
      std::uint32_t h = hash2(x, y);
      std::uint32_t texture = (h & 7) == 0 ? (h >> 3) % 3 : 1;
      p->pixels[std::size_t{y} * width + x] = static_cast<std::uint8_t>((smooth + texture) % 256);
    }
    p->rows.push_back(p->pixels.data() + std::size_t{y} * width);
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    p->palette.insert(p->palette.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 2),
                                         static_cast<std::uint8_t>(255 - i), 255});
  }
  made.push_back(p);
  return *p;
}

using Encoder = int (*)(std::FILE*, std::uint32_t, std::uint32_t, double, const std::uint8_t* const*,
                        const std::uint8_t*, std::uint32_t);

int pieced(std::FILE* file, std::uint32_t w, std::uint32_t h, double gamma, const std::uint8_t* const* rows,
           const std::uint8_t* palette, std::uint32_t size) {
  return encode_indexed_png_parallel(file, w, h, gamma, rows, palette, size);
}

// One piece covering the whole image: exactly zlib's single-stream bytes, on one thread.
int single_stream(std::FILE* file, std::uint32_t w, std::uint32_t h, double gamma,
                  const std::uint8_t* const* rows, const std::uint8_t* palette, std::uint32_t size) {
  return encode_indexed_png_parallel(file, w, h, gamma, rows, palette, size, CompressionEffort::kDefault,
                                     std::size_t{1} << 40);
}

void run_encoder(benchmark::State& state, Encoder encode) {
  tamble::configure_runtime(0);
  const BenchPicture& p = picture(static_cast<std::uint32_t>(state.range(0)),
                                  static_cast<std::uint32_t>(state.range(1)));
  std::FILE* file = std::tmpfile();
  long bytes = 0;
  for (auto _ : state) {
    std::rewind(file);
    if (encode(file, p.width, p.height, 0.45455, p.rows.data(), p.palette.data(), 256) != kPngWritten) {
      state.SkipWithError("encoder failed");
      break;
    }
    bytes = std::ftell(file);
  }
  std::fclose(file);
  state.counters["png_bytes"] = static_cast<double>(bytes);
  state.counters["threads"] = tamble::thread_count();
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * p.pixels.size());
}

void BM_PngWritePieced(benchmark::State& state) { run_encoder(state, pieced); }
void BM_PngWriteSingleStream(benchmark::State& state) { run_encoder(state, single_stream); }

BENCHMARK(BM_PngWritePieced)->Args({1900, 1200})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngWritePieced)->Args({4096, 4096})->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngWriteSingleStream)->Args({1900, 1200})->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngWriteSingleStream)->Args({4096, 4096})->Iterations(1)->Unit(benchmark::kMillisecond);

// The whole public writer: temporary file, flush to disk and rename included.
void BM_WriteIndexedPng(benchmark::State& state) {
  tamble::configure_runtime(0);
  const BenchPicture& p = picture(1900, 1200);
  const char* folder = std::getenv("TMPDIR");
  std::string path = std::string(folder != nullptr && *folder ? folder : "/tmp") + "/bq-png-write-bench.png";
  for (auto _ : state) {
    if (write_indexed_png(path, p.width, p.height, 0.45455, p.rows.data(), p.palette.data(), 256) != kPngWritten) {
      state.SkipWithError("write failed");
      break;
    }
  }
  ::unlink(path.c_str());
  state.counters["threads"] = tamble::thread_count();
}
BENCHMARK(BM_WriteIndexedPng)->Unit(benchmark::kMillisecond);

}  // namespace
