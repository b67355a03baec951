// PNG decoding in memory: the quick road (libdeflate and our own row filters)
// against libpng's, on the corpus PNGs and the baseline photos when present.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io/decode/png_plain_pixels.h"

namespace {

std::vector<std::uint8_t> read_file(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    std::uint8_t block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) {
      bytes.insert(bytes.end(), block, block + n);
    }
    std::fclose(f);
  }
  return bytes;
}

void png_decode(benchmark::State& state, const std::string& path, PngRoad road) {
  std::vector<std::uint8_t> file = read_file(path);
  if (file.empty()) {
    state.SkipWithError("missing file");
    return;
  }
  for (auto _ : state) {
    DecodedImage image;
    if (!decode_png_memory_by(road, file.data(), file.size(), image).ok()) {
      state.SkipWithError("decoding failed");
      return;
    }
    benchmark::DoNotOptimize(image.pixels.data());
  }
}

const bool registered = [] {
  const std::string corpus = BQ_CORPUS_DIR;
  for (std::string path : {corpus + "/MATE-Stripes-Dark.png", corpus + "/Ubuntu-Mate-Cold-no-logo.png",
                           corpus + "/astronaut.png", corpus + "/camera.png",
                           std::string("/work/baseline/wood-4mp.png"),
                           std::string("/work/baseline/astronaut-x2.png")}) {
    std::string name = path.substr(path.rfind('/') + 1);
    benchmark::RegisterBenchmark(("png_decode/quick/" + name).c_str(), png_decode, path,
                                 PngRoad::kQuickWhenPlain)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("png_decode/libpng/" + name).c_str(), png_decode, path,
                                 PngRoad::kLibpngOnly)->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
