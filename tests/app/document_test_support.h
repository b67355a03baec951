#pragma once
// A stand-in engine the tests can hold inside a run, and waiting on conditions.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "app/document/document.h"
#include "tests/app/document_test_access.h"
#include "io/file_system.h"
#include "io/png_write.h"

// Waits up to 10 s for `done`; false on timeout.
template <class Condition>
bool eventually(Condition done) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Returns the source unchanged as the result; records what each call saw.
// While `hold` is set a call waits inside until release().
struct StandInEngine {
  struct Call {
    QuantizerOptions options;
    std::vector<std::uint8_t> fixed, focus, dither;
  };
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Call> calls;
  bool hold = false;
  std::uint32_t status = 0;

  QuantizeFunction entry() {
    return [this](const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, double,
                  const QuantizerOptions* given, std::uint8_t* rgba, std::uint8_t* indices,
                  std::uint8_t* palette, std::uint32_t* palette_size, double*, double*,
                  QuantizeReport*) {
      const QuantizerOptions& options = *given;
      std::unique_lock<std::mutex> lock(mutex);
      std::size_t n = std::size_t{width} * height;
      Call call{options, {}, {}, {}};
      if (options.pins) call.fixed.assign(options.pins, options.pins + 4 * options.pin_count);
      if (options.focus_map) call.focus.assign(options.focus_map, options.focus_map + n);
      if (options.dither_map) call.dither.assign(options.dither_map, options.dither_map + n);
      calls.push_back(call);
      changed.wait(lock, [this] { return !hold; });
      std::memcpy(rgba, pixels, n * 4);
      std::memset(indices, 0, n);
      std::memcpy(palette, pixels, 4);
      *palette_size = 1;
      return status;
    };
  }
  std::size_t call_count() {
    std::lock_guard<std::mutex> lock(mutex);
    return calls.size();
  }
  void release() {
    std::lock_guard<std::mutex> lock(mutex);
    hold = false;
    changed.notify_all();
  }
};

// A width x height gradient with some transparency.
inline std::vector<std::uint8_t> gradient_pixels(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> pixels(std::size_t{width} * height * 4);
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = &pixels[(std::size_t{y} * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = static_cast<std::uint8_t>((x + y) * 3);
      p[3] = x < 4 ? 0 : 255;
    }
  return pixels;
}

// Puts an image into the Document as open() would, without a file.
inline void set_image(Document& document, std::uint32_t width, std::uint32_t height) {
  DocumentTestAccess::set_image(document, width, height, gradient_pixels(width, height));
}

// Counts wake_ui calls.
struct WakeCounter {
  std::atomic<int> wakes{0};
  void install(Document& document) {
    document.set_wake_ui([this] { wakes.fetch_add(1); });
  }
};

// A PNG of the gradient in a scratch file, and its size.
struct PngFile {
  std::string path;
  std::uint64_t size = 0;
  PngFile(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> pixels = gradient_pixels(width, height);
    std::vector<const std::uint8_t*> rows(height);
    for (std::uint32_t y = 0; y < height; ++y) rows[y] = &pixels[std::size_t{y} * width * 4];
    std::FILE* file = create_unique_file(temporary_folder(), "bq-doc-test-", path);
    if (file == nullptr) return;
    write_rgba_png(file, width, height, kDefaultGamma, rows.data());
    std::fclose(file);
    size = std::filesystem::file_size(path);
  }
  ~PngFile() { remove_file(path); }
};
