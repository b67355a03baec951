// The worker thread: waits for a request, copies the inputs under the mutex,
// runs the engine without it, measures the result and publishes it.
#include <chrono>
#include <new>
#include <utility>

#include "app/platform/crash_report.h"
#include "app/document/document.h"
#include "app/document/png_size.h"
#include "app/document/result_difference.h"
#include "app/document/result_quality.h"
#include "engine/quantize.h"

namespace {

constexpr auto kIdlePoll = std::chrono::milliseconds(8);

static_assert(sizeof(Rgba) == 4, "colour lists are handed to the engine as packed RGBA bytes");

double seconds_since(std::chrono::steady_clock::time_point start) {
  auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count() / 1e9;
}

}  // namespace

// What one run works on, copied out of the Document so the mutex is free during the run.
struct Document::RunInputs {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double gamma = 0.0;
  PixelBytes pixels;
  QuantizerOptions options;  // points at the copies below once they are made
  std::vector<std::uint8_t> focus;
  std::vector<std::uint8_t> dither;
  std::vector<Rgba> fixed;  // the loaded palette or the pins
  int diff_gain = 8;
};

void Document::worker_loop() {
  install_thread_crash_stack();
  while (!stop_requested_.load()) {
    if (requant_requested_.load()) {
      // Busy before the request is taken: no one may see neither (and take the
      // previous result for the answer to the request).
      worker_busy_.store(true);
      requant_requested_.store(false);
      bool published = true;
      try {
        published = run_once();
      } catch (const std::bad_alloc&) {
        // No room for the copies or the outputs: a failed run, as when the engine runs out.
        publish(QuantResult{}, QuantResult{});
      }
      if (!published) worker_busy_.store(false);
      continue;
    }
    if (png_size_requested_.exchange(false)) measure_png_size();
    std::unique_lock<std::mutex> lock(idle_mutex_);
    idle_wake_.wait_until(lock, std::chrono::steady_clock::now() + kIdlePoll, [this] {
      return requant_requested_.load() || png_size_requested_.load() || stop_requested_.load();
    });
  }
}

bool Document::run_once() {
  RunInputs in;
  in.pixels.swap(source_copy_);
  if (!copy_inputs(in)) {
    source_copy_.swap(in.pixels);
    return false;
  }
  worker_busy_.store(true);
  if (source_size_requested_.exchange(false))
    source_png_size_.store(image_png_size(in.width, in.height, in.gamma, in.pixels.data()));

  QuantResult run;
  QuantizeReport report;
  std::uint32_t status = run_engine(in, run, report);
  if (status == kQuantizeTooMuchError) {
    publish_refusal(report.quality, std::move(run));
  } else {
    QuantResult reference_run = run_reference_for(in, run);
    publish(std::move(run), std::move(reference_run));
  }
  source_copy_.swap(in.pixels);
  return true;
}

bool Document::copy_inputs(RunInputs& in) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    in.width = width_;
    in.height = height_;
    in.gamma = gamma_;
    in.pixels = pixels_;
    in.options = options_;
    in.diff_gain = diff_gain_;
    const std::size_t pixel_count = std::size_t{width_} * height_;
    // A layer of another size than the image would be read past its end.
    const MapLayer& focus_layer = layers_[kFocusLayer];
    if (use_focus_ && !focus_layer.empty && focus_layer.bytes.size() == pixel_count)
      in.focus = focus_layer.bytes;
    const MapLayer& dither_layer = layers_[kDitherLayer];
    if (use_dither_map_ && !dither_layer.empty && dither_layer.bytes.size() == pixel_count)
      in.dither = dither_layer.bytes;
    if (use_palette_ && !palette_.empty())
      in.fixed = palette_;
    else if (use_pins_)
      in.fixed = pins_;
  }
  const std::size_t pixel_count = std::size_t{in.width} * in.height;
  if (pixel_count == 0 || in.pixels.size() != pixel_count * 4) return false;
  QuantizerOptions& options = in.options;
  options.pins = in.fixed.empty() ? nullptr : reinterpret_cast<const std::uint8_t*>(in.fixed.data());
  options.pin_count = static_cast<std::uint32_t>(in.fixed.size());
  options.focus_map = in.focus.empty() ? nullptr : in.focus.data();
  options.dither_map = in.dither.empty() ? nullptr : in.dither.data();
  return true;
}

std::uint32_t Document::run_engine(RunInputs& in, QuantResult& run, QuantizeReport& report) {
  const std::size_t pixel_count = std::size_t{in.width} * in.height;
  run.width = in.width;
  run.height = in.height;
  run.gamma = in.gamma;
  run.rgba.swap(spare_.rgba);
  run.indices.swap(spare_.indices);
  run.difference.swap(spare_.difference);
  run.rgba.assign(pixel_count * 4, 0);
  run.indices.assign(pixel_count, 0);

  auto start = std::chrono::steady_clock::now();
  // A saved PNG declares the gamma the palette is encoded for, as the batch face writes it.
  double out_gamma = in.gamma;
  std::uint32_t status = engine_(in.pixels.data(), in.width, in.height, in.gamma, &in.options,
                                 run.rgba.data(), run.indices.data(), run.palette.data(),
                                 &run.palette_count, nullptr, &out_gamma, &report);
  if (status == kQuantizeOk) run.gamma = out_gamma;
  run.quality = report.quality;
  if (status == kQuantizeTooMuchError) return status;
  run.seconds = seconds_since(start);
  run.ok = status == kQuantizeOk;
  run.indices_available = true;
  run.png_size = 0;
  if (run.ok) {
    ResultQuality quality = measure_quality(in.pixels.data(), run.rgba.data(), pixel_count);
    run.rmse = quality.rmse;
    run.psnr = quality.psnr;
    difference_rgba(in.pixels.data(), run.rgba.data(), pixel_count, in.diff_gain, run.difference);
  } else {
    run.difference.clear();
  }
  return status;
}

QuantResult Document::run_reference_for(const RunInputs& in, const QuantResult& run) {
  bool compare_on = false;
  std::string program;
  int source_kind = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    compare_on = compare_;
    source_kind = compare_source_;
    program = compare_path_;
  }
  ReferenceRunner runner;
  {
    std::lock_guard<std::mutex> lock(hooks_mutex_);
    runner = reference_runner_;
  }
  QuantResult reference_run;
  if (!compare_on || !run.ok || source_kind != 1 || program.empty() || !runner) return reference_run;
  ReferenceRequest request{in.pixels.data(), in.width, in.height, in.gamma, &in.options,
                           program, &stop_requested_};
  auto reference_start = std::chrono::steady_clock::now();
  reference_run = runner(request);
  if (reference_run.ok) reference_run.seconds = seconds_since(reference_start);
  return reference_run;
}

void Document::publish_refusal(std::uint32_t best, QuantResult unused) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    worker_refusal_ = {true, best};
  }
  spare_.rgba.swap(unused.rgba);
  spare_.indices.swap(unused.indices);
  spare_.difference.swap(unused.difference);
  // The result slot is untouched, so the interface keeps showing the last result.
  result_published_.store(true);
  worker_busy_.store(false);
  call_wake_ui();
}

void Document::publish(QuantResult run, QuantResult run_reference) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(worker_result_, run);
    worker_reference_ = std::move(run_reference);
    worker_refusal_ = {};
    ++published_runs_;
  }
  spare_ = std::move(run);
  result_published_.store(true);
  worker_busy_.store(false);
  call_wake_ui();
}

void Document::measure_png_size() {
  // The worker is the slot's only writer, so it reads the slot without the lock;
  // editing stays responsive while the PNG is encoded.
  if (!worker_result_.ok || worker_result_.png_size != 0 || !worker_result_.indices_available) return;
  std::uint64_t size = result_png_size(worker_result_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    worker_result_.png_size = size;
  }
  result_published_.store(true);
  call_wake_ui();
}

void Document::call_wake_ui() {
  // Called outside every lock: the callable may take locks of its own.
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(hooks_mutex_);
    wake = wake_ui_;
  }
  if (wake) wake();
}
