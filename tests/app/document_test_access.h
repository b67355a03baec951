#pragma once
// States the editing operations do not make (a result without a run, a broken
// pixel buffer, flags set behind the history's back), reached past the
// Document's guard. Lock mutex() where the worker may be reading.
#include <mutex>
#include <vector>

#include "app/document/document.h"

struct DocumentTestAccess {
  static std::mutex& mutex(Document& d) { return d.mutex_; }
  static QuantResult& result(Document& d) { return d.result_; }
  static QuantizerOptions& options(Document& d) { return d.options_; }
  static std::vector<Rgba>& pins(Document& d) { return d.pins_; }
  static std::vector<Rgba>& palette(Document& d) { return d.palette_; }
  static PixelBytes& pixels(Document& d) { return d.pixels_; }
  static MapLayer& layer(Document& d, int index) { return d.layers_[index]; }
  static std::string& compare_path(Document& d) { return d.compare_path_; }
  static bool& compare(Document& d) { return d.compare_; }
  static bool png_size_requested(const Document& d) { return d.png_size_requested_.load(); }
  static bool compare_path_found(const Document& d) { return d.compare_path_found_; }
  static bool& use(Document& d, UseFlag flag) { return d.use_flag(flag); }
  // An image as open() would put it, without a file, a run or a reset result.
  static void set_image(Document& d, std::uint32_t width, std::uint32_t height,
                        std::vector<std::uint8_t> pixels) {
    std::lock_guard<std::mutex> lock(d.mutex_);
    d.width_ = width;
    d.height_ = height;
    d.pixels_.assign(pixels.begin(), pixels.end());
    for (MapLayer& layer : d.layers_) layer.reset(std::size_t{width} * height);
  }
};
