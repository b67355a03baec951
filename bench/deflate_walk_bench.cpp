// Finding a compressed PNG piece's final block: the block walker against the
// zlib inflate the writer ran before, on a 1 MiB piece of a quantized corpus
// photo's rows at libdeflate levels 7 (the default for large images) and 12.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "engine/quantize.h"
#include "io/image_decode.h"
#include "io/png/deflate_walk.h"

namespace {

constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

// The first MiB of Ubuntu-Mate-Cold's index rows at 256 colours, compressed.
const std::vector<std::uint8_t>& piece(int level) {
  static std::vector<std::uint8_t> pieces[13];
  std::vector<std::uint8_t>& out = pieces[level];
  if (!out.empty()) return out;
  DecodedImage decoded;
  if (!load_image_file(std::string(BQ_CORPUS_DIR) + "/Ubuntu-Mate-Cold-no-logo.png", decoded).ok()) return out;
  QuantizerOptions options;
  options.colors = 256;
  std::vector<std::uint8_t> indices(std::size_t{decoded.width} * decoded.height);
  std::uint8_t palette[256 * 4];
  std::uint32_t size = 0;
  if (quantize_image(decoded.pixels.data(), decoded.width, decoded.height, decoded.gamma, &options, nullptr,
                     indices.data(), palette, &size, nullptr) != kQuantizeOk) {
    return out;
  }
  indices.resize(kPieceBytes);
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  out.resize(libdeflate_deflate_compress_bound(c, indices.size()));
  out.resize(libdeflate_deflate_compress(c, indices.data(), indices.size(), out.data(), out.size()));
  libdeflate_free_compressor(c);
  return out;
}

void BM_FinalBlockWalk(benchmark::State& state) {
  const std::vector<std::uint8_t>& raw = piece(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    DeflateEnds ends;
    if (!walk_deflate_blocks(raw.data(), raw.size(), kPieceBytes, ends)) state.SkipWithError("walk failed");
    benchmark::DoNotOptimize(ends);
  }
}

// zlib's inflate, stopping at each block, its output dropped.
void BM_FinalBlockInflate(benchmark::State& state) {
  const std::vector<std::uint8_t>& raw = piece(static_cast<int>(state.range(0)));
  std::vector<std::uint8_t> scratch(1 << 15);
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = static_cast<uInt>(raw.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
      z.next_out = scratch.data();
      z.avail_out = static_cast<uInt>(scratch.size());
      rc = inflate(&z, Z_BLOCK);
    }
    if (rc != Z_STREAM_END || z.total_out != kPieceBytes) state.SkipWithError("inflate failed");
    inflateEnd(&z);
  }
}

BENCHMARK(BM_FinalBlockWalk)->Arg(7)->Arg(12)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FinalBlockInflate)->Arg(7)->Arg(12)->Unit(benchmark::kMicrosecond);

}  // namespace
