// Indexed PNG writing: the pieced compressor on the pool against one
// single-stream deflate, on generated 8-bit index pictures of photo-like
// content; and on corpus images quantized at 256 colours (speed 3), the
// default and smallest efforts against the zlib level-9 compressor the
// writers used before (pieces primed with the 32 KiB before them).
// Run once with KESTRANE_THREADS=1 and once with 2 to see scaling.
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/quantize.h"
#include "io/image_decode.h"
#include "io/png/parallel_deflate.h"
#include "io/png/png_encoder.h"
#include "io/png_write.h"
#include "tamble/algorithms.h"
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

using Encoder = IoStatus (*)(std::FILE*, std::uint32_t, std::uint32_t, double, const std::uint8_t* const*,
                        const std::uint8_t*, std::uint32_t);

IoStatus pieced(std::FILE* file, std::uint32_t w, std::uint32_t h, double gamma, const std::uint8_t* const* rows,
           const std::uint8_t* palette, std::uint32_t size) {
  return encode_indexed_png(file, w, h, gamma, rows, palette, size);
}

// One piece covering the whole image: libdeflate's single-stream bytes, on one thread.
IoStatus single_stream(std::FILE* file, std::uint32_t w, std::uint32_t h, double gamma,
                  const std::uint8_t* const* rows, const std::uint8_t* palette, std::uint32_t size) {
  return encode_indexed_png(file, w, h, gamma, rows, palette, size, CompressionEffort::kDefault,
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
    if (encode(file, p.width, p.height, 0.45455, p.rows.data(), p.palette.data(), 256).code != IoCode::kOk) {
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
    if (write_indexed_png(path, p.width, p.height, 0.45455, p.rows.data(), p.palette.data(), 256).code != IoCode::kOk) {
      state.SkipWithError("write failed");
      break;
    }
  }
  ::unlink(path.c_str());
  state.counters["threads"] = tamble::thread_count();
}
BENCHMARK(BM_WriteIndexedPng)->Unit(benchmark::kMillisecond);

// The filtered rows (a 0 byte, then the indices) of a corpus image quantized
// at 256 colours, speed 3, the other options at their defaults.
const std::vector<std::uint8_t>& corpus_rows(int image) {
  static const char* const kNames[] = {"GreenTraditional.jpg", "Ubuntu-Mate-Cold-no-logo.png",
                                       "MATE-Stripes-Dark.png", "truchet-l.webp", "astronaut.png"};
  static std::vector<std::uint8_t> rows[5];
  std::vector<std::uint8_t>& out = rows[image];
  if (!out.empty()) return out;
  const char* folder = std::getenv("BQ_CORPUS");
  DecodedImage decoded;
  if (!load_image_file(std::string(folder != nullptr ? folder : BQ_CORPUS_DIR) + "/" + kNames[image],
                       decoded).ok()) {
    return out;
  }
  QuantizerOptions options;
  options.colors = 256;
  options.speed = 3;
  std::vector<std::uint8_t> indices(std::size_t{decoded.width} * decoded.height);
  std::uint8_t palette[256 * 4];
  std::uint32_t size = 0;
  if (quantize_image(decoded.pixels.data(), decoded.width, decoded.height, decoded.gamma, &options, nullptr,
                     indices.data(), palette, &size, nullptr) != kQuantizeOk || size <= 16) {
    return out;
  }
  for (std::uint32_t y = 0; y < decoded.height; ++y) {
    out.push_back(0);
    out.insert(out.end(), indices.begin() + std::size_t{y} * decoded.width,
               indices.begin() + std::size_t{y + 1} * decoded.width);
  }
  return out;
}

// The writers' former compressor, kept here only to compare against: zlib
// level 9 in 128 KiB pieces, each primed with the 32 KiB before it.
std::size_t previous_zlib_bytes(const std::vector<std::uint8_t>& data) {
  constexpr std::size_t kPiece = 128 * 1024, kWindow = 32 * 1024;
  std::size_t count = (data.size() + kPiece - 1) / kPiece;
  std::vector<std::size_t> sizes(count);
  tamble::parallel_dynamic(count, [&](std::size_t i, unsigned) {
    std::size_t begin = i * kPiece, end = std::min(data.size(), begin + kPiece);
    std::size_t primed = begin > kWindow ? begin - kWindow : 0;
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    if (begin > primed) deflateSetDictionary(&z, data.data() + primed, static_cast<uInt>(begin - primed));
    std::vector<std::uint8_t> out(deflateBound(&z, static_cast<uLong>(end - begin)) + 16);
    z.next_in = const_cast<Bytef*>(data.data() + begin);
    z.avail_in = static_cast<uInt>(end - begin);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, end == data.size() ? Z_FINISH : Z_SYNC_FLUSH);
    sizes[i] = z.total_out;
    deflateEnd(&z);
  });
  std::size_t total = 6;
  for (std::size_t s : sizes) total += s;
  return total;
}

// Args: corpus image (0 Green, 1 Ubuntu-Mate-Cold, 2 MATE-Stripes, 3 truchet,
// 4 astronaut), compressor (0 previous zlib 9, 1 default, 2 smallest).
void BM_CorpusImageData(benchmark::State& state) {
  tamble::configure_runtime(0);
  const std::vector<std::uint8_t>& rows = corpus_rows(static_cast<int>(state.range(0)));
  if (rows.empty()) {
    state.SkipWithError("corpus image missing (set BQ_CORPUS)");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    if (state.range(1) == 0) {
      bytes = previous_zlib_bytes(rows);
    } else {
      std::vector<std::uint8_t> stream;
      CompressionEffort effort = state.range(1) == 1 ? CompressionEffort::kDefault : CompressionEffort::kSmallest;
      if (!deflate_in_pieces(rows.data(), rows.size(), stream, effort).ok()) {
        state.SkipWithError("compressor failed");
        break;
      }
      bytes = stream.size();
    }
  }
  state.counters["stream_bytes"] = static_cast<double>(bytes);
  state.counters["threads"] = tamble::thread_count();
}
BENCHMARK(BM_CorpusImageData)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1, 2}})
    ->Repetitions(3)
    ->ReportAggregatesOnly(false)
    ->Unit(benchmark::kMillisecond);

}  // namespace
