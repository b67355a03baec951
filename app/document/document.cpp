// The Document's life and the operations the main thread calls; the worker's
// side is in worker.cpp.
#include "app/document/document.h"

#include <utility>

#include "app/document/distinct_colours.h"
#include "io/image_decode.h"

Document::Document(QuantizeEntry entry) : entry_(std::move(entry)) {
  layers[kFocusLayer].rest = kFocusRest;
  layers[kDitherLayer].rest = kDitherRest;
  worker_ = std::thread([this] { worker_loop(); });
}

Document::~Document() {
  stop_requested.store(true);
  wake_worker();
  worker_.join();
}

void Document::set_wake_ui(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(hooks_mutex_);
  wake_ui_ = std::move(wake);
}

void Document::set_reference_runner(ReferenceRunner runner) {
  std::lock_guard<std::mutex> lock(hooks_mutex_);
  reference_runner_ = std::move(runner);
}

void Document::wake_worker() {
  // Taking the lock orders the flag before the worker's check, so no wake is lost.
  { std::lock_guard<std::mutex> lock(idle_mutex_); }
  idle_wake_.notify_one();
}

void Document::request_run() {
  requant_requested.store(true);
  wake_worker();
}

bool Document::take_result() {
  if (!result_published.exchange(false)) return false;
  std::lock_guard<std::mutex> lock(mutex);
  took_new_run = published_runs_ != taken_runs_;
  refusal = worker_refusal;
  if (!took_new_run) {
    result.png_size = worker_result.png_size;
    return true;
  }
  taken_runs_ = published_runs_;
  // The pictures move instead of being copied: the worker never reads them
  // again, and a frame copying 30 MB of a large result would stall. The worker
  // gets the old buffers back for its next run; the indices are copied, the
  // worker measures the PNG size from its own.
  QuantResult& run = worker_result;
  std::vector<std::uint8_t> rgba, difference, old_rgba, old_difference;
  rgba.swap(run.rgba);
  difference.swap(run.difference);
  old_rgba.swap(result.rgba);
  old_difference.swap(result.difference);
  result = run;  // without its pictures, only the indices are a real copy
  result.rgba.swap(rgba);
  result.difference.swap(difference);
  run.rgba.swap(old_rgba);
  run.difference.swap(old_difference);
  reference = worker_reference;
  return true;
}

void Document::request_png_size() {
  if (!result.ok || result.png_size != 0 || requant_requested.load() || worker_busy.load()) return;
  png_size_requested.store(true);
  wake_worker();
}

IoStatus Document::open(const std::string& file) {
  DecodedImage image;
  IoStatus status = load_image_file(file, image);
  if (!status.ok()) return status;
  // Counted before locking: the decoded copy is still ours alone.
  std::size_t pixel_count = std::size_t{image.width} * image.height;
  std::uint32_t colours = count_distinct_colours(image.pixels.data(), pixel_count);
  {
    std::lock_guard<std::mutex> lock(mutex);
    width = image.width;
    height = image.height;
    gamma = image.gamma;
    pixels = std::move(image.pixels);
    distinct_colours = colours;
    path = file;
    result = QuantResult{};
    reference = QuantResult{};
    for (MapLayer& layer : layers) layer.reset(pixel_count);
  }
  source_png_size.store(0);
  source_size_requested.store(true);
  request_run();
  return status;
}

void Document::set_options(const QuantizerOptions& changed) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    options = changed;
    // Only the worker's private copy points at colours and maps.
    options.pins = nullptr;
    options.pin_count = 0;
    options.focus_map = nullptr;
    options.dither_map = nullptr;
  }
  request_run();
}

void Document::set_compare(bool on, const std::string& program) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    compare = on;
    if (!program.empty()) {
      compare_path = program;
      compare_path_found = false;
    }
  }
  request_run();
}

void Document::set_compare_source(int source) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    compare_source = source;
  }
  request_run();
}

void Document::set_diff_gain(int gain) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    diff_gain = gain;
  }
  request_run();
}
