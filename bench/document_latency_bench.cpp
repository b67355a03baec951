// How much the desktop face's worker adds to the engine: the engine call alone
// on a 2 MP photo, and a requested run until the frame loop takes its result.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/document/document.h"
#include "engine/quantize.h"
#include "io/image_decode.h"

namespace {

const std::string kPhoto = std::string(BQ_CORPUS_DIR) + "/GreenTraditional.jpg";

void BM_EngineAlone(benchmark::State& state) {
  DecodedImage image;
  if (!load_image_file(kPhoto, image).ok()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  const std::size_t pixels = std::size_t{image.width} * image.height;
  std::vector<std::uint8_t> rgba(pixels * 4), indices(pixels), palette(1024);
  QuantizerOptions options;
  std::uint32_t count = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quantize_image(image.pixels.data(), image.width, image.height,
                                            image.gamma, &options, rgba.data(), indices.data(),
                                            palette.data(), &count, nullptr));
  }
  state.counters["megapixels"] = pixels / 1e6;
}

// Waits as the frame loop does: a result is looked for once a millisecond.
void take_next_result(Document& document) {
  while (!document.take_result()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void BM_RequestToResult(benchmark::State& state) {
  Document document;
  if (!document.open(kPhoto).ok()) {
    state.SkipWithError("corpus image missing");
    return;
  }
  take_next_result(document);  // the first run also measures the source's PNG size
  double engine_seconds = 0.0;
  for (auto _ : state) {
    document.request_run();
    take_next_result(document);
    engine_seconds += document.result().seconds;
  }
  state.counters["engine_ms"] = 1e3 * engine_seconds / static_cast<double>(state.iterations());
}

BENCHMARK(BM_EngineAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_RequestToResult)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
