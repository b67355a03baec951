// The Document's life and the operations the main thread calls; the worker's
// side is in worker.cpp.
#include "app/document/document.h"

#include <utility>

#include "app/document/distinct_colours.h"
#include "io/image_decode.h"

Document::Document(QuantizeFunction engine) : engine_(std::move(engine)) {
  layers_[kFocusLayer].rest = kFocusRest;
  layers_[kDitherLayer].rest = kDitherRest;
  worker_ = std::thread([this] { worker_loop(); });
}

Document::~Document() {
  stop_requested_.store(true);
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
  requant_requested_.store(true);
  wake_worker();
}

bool Document::take_result() {
  if (!result_published_.exchange(false)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  took_new_run_ = published_runs_ != taken_runs_;
  refusal_ = worker_refusal_;
  if (!took_new_run_) {
    result_.png_size = worker_result_.png_size;
    return true;
  }
  taken_runs_ = published_runs_;
  // The pictures move instead of being copied: the worker never reads them
  // again, and a frame copying 30 MB of a large result would stall. The worker
  // gets the old buffers back for its next run; the indices are copied, the
  // worker measures the PNG size from its own.
  QuantResult& run = worker_result_;
  PixelBytes rgba, old_rgba;
  std::vector<std::uint8_t> difference, old_difference;
  rgba.swap(run.rgba);
  difference.swap(run.difference);
  old_rgba.swap(result_.rgba);
  old_difference.swap(result_.difference);
  result_ = run;  // without its pictures, only the indices are a real copy
  result_.rgba.swap(rgba);
  result_.difference.swap(difference);
  run.rgba.swap(old_rgba);
  run.difference.swap(old_difference);
  reference_ = worker_reference_;
  return true;
}

void Document::request_png_size() {
  if (!result_.ok || result_.png_size != 0 || requant_requested_.load() || worker_busy_.load()) return;
  png_size_requested_.store(true);
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
    std::lock_guard<std::mutex> lock(mutex_);
    width_ = image.width;
    height_ = image.height;
    gamma_ = image.gamma;
    pixels_ = std::move(image.pixels);
    distinct_colours_ = colours;
    path_ = file;
    result_ = QuantResult{};
    reference_ = QuantResult{};
    for (MapLayer& layer : layers_) layer.reset(pixel_count);
  }
  source_png_size_.store(0);
  source_size_requested_.store(true);
  request_run();
  return status;
}

void Document::set_options(const QuantizerOptions& changed) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = changed;
    // Only the worker's private copy points at colours and maps.
    options_.pins = nullptr;
    options_.pin_count = 0;
    options_.focus_map = nullptr;
    options_.dither_map = nullptr;
  }
  request_run();
}

void Document::set_compare(bool on, const std::string& program) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    compare_ = on;
    if (!program.empty()) {
      compare_path_ = program;
      compare_path_found_ = false;
    }
  }
  request_run();
}

void Document::set_found_compare_path(const std::string& program) {
  std::lock_guard<std::mutex> lock(mutex_);
  compare_path_ = program;
  compare_path_found_ = true;
}

void Document::set_compare_source(int source) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    compare_source_ = source;
  }
  request_run();
}

void Document::set_diff_gain(int gain) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    diff_gain_ = gain;
  }
  request_run();
}
