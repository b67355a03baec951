#pragma once
// The desktop face's one shared state: the image, the quantizer inputs, the
// paint layers and the worker that turns them into results. The main thread
// edits it only through the operations below, which take the mutex; the worker
// copies what it needs under the mutex and runs the engine without it.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/document/edit_history.h"
#include "app/document/map_layer.h"
#include "app/document/quant_result.h"
#include "app/document/rgba.h"
#include "engine/colour/default_gamma.h"
#include "engine/quantize_function.h"
#include "engine/quantizer_options.h"
#include "io/io_status.h"

// Where the loaded palette came from.
inline constexpr int kPaletteNone = 0;
inline constexpr int kPaletteFile = 1;
inline constexpr int kPaletteClipboard = 2;
inline constexpr int kPaletteEdited = 3;  // made from a result's palette

// The switches that put a painted layer, the pins or the loaded palette into a run.
enum class UseFlag { pins, focus, dither_map, palette };

// What the settings file keeps of the Document.
struct DocumentSettings {
  QuantizerOptions options;
  bool use_pins = true;
  bool use_focus = true;
  bool use_dither_map = true;
  bool compare = false;
  std::string compare_path;  // empty when it came from the lookup, so each start looks again
  int diff_gain = 8;
};

// What the reference comparison gets: the worker's own copies.
struct ReferenceRequest {
  const std::uint8_t* pixels = nullptr;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double gamma = 0.0;
  const QuantizerOptions* options = nullptr;
  std::string program;  // the compare path
  const std::atomic<bool>* cancel = nullptr;  // turns true when the run should give up
};
// Fills a record (ok false when there is no reference); the worker sets its seconds.
using ReferenceRunner = std::function<QuantResult(const ReferenceRequest&)>;

struct DocumentTestAccess;  // the tests' way to set up states the operations do not make

class Document {
 public:
  // Starts the worker, which runs `engine` (tests put a stand-in there).
  explicit Document(QuantizeFunction engine = quantize_image);
  // Stops the worker after the run in progress and joins it.
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // ---- Inputs. The main thread is their only writer, so it reads them without the lock.
  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  double gamma() const { return gamma_; }
  const PixelBytes& pixels() const { return pixels_; }  // width x height x 4
  const std::string& path() const { return path_; }
  std::uint32_t distinct_colours() const { return distinct_colours_; }  // at most 1,048,577
  const QuantizerOptions& options() const { return options_; }
  bool use(UseFlag flag) const;
  const std::vector<Rgba>& pins() const { return pins_; }
  const std::vector<Rgba>& palette() const { return palette_; }  // the loaded (fixed) palette
  const std::string& palette_name() const { return palette_name_; }
  int palette_kind() const { return palette_kind_; }
  const MapLayer& layer(int index) const { return layers_[index]; }  // kFocusLayer, kDitherLayer
  bool compare() const { return compare_; }
  int compare_source() const { return compare_source_; }
  const std::string& compare_path() const { return compare_path_; }
  int diff_gain() const { return diff_gain_; }
  // What the settings file keeps, and taking it back at start-up (no step, no run).
  DocumentSettings settings() const;
  void apply_settings(const DocumentSettings& settings);

  // ---- Results: the interface copies, written only by the main thread in take_result.
  const QuantResult& result() const { return result_; }
  const QuantResult& reference() const { return reference_; }
  const QualityRefusal& refusal() const { return refusal_; }
  // Calls `read` with the interface copy under the mutex, for exporters that must
  // not meet a result being installed.
  template <class Read>
  auto read_result(Read&& read) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return read(result_);
  }
  std::uint64_t source_png_size() const { return source_png_size_.load(); }  // 0 = not measured

  // Called by the worker after each published result; must not block.
  void set_wake_ui(std::function<void()> wake);
  void set_reference_runner(ReferenceRunner runner);

  void request_run();
  // A run is asked for and not yet taken by the worker.
  bool run_requested() const { return requant_requested_.load(); }
  // A result is published and not yet taken.
  bool result_waiting() const { return result_published_.load(); }
  // Main thread, once per frame: copies a newly published result into the
  // interface copies; true when there was one. took_new_run() tells whether it
  // came from a new run (else only a measured size changed).
  bool take_result();
  bool took_new_run() const { return took_new_run_; }
  // Main thread, once per frame: asks the idle worker to measure the PNG size.
  void request_png_size();
  bool busy() const { return worker_busy_.load(); }

  // ---- Editing operations (main thread; each takes the mutex).
  // Decodes `file`; on failure nothing changes and the status tells why.
  IoStatus open(const std::string& file);
  // Replaces the options (pointer fields are ignored) and requests a run.
  void set_options(const QuantizerOptions& changed);
  // Records the step, switches `flag` and requests a run.
  void set_use(UseFlag flag, bool on);
  // A non-empty `program` becomes the user's chosen compare path.
  void set_compare(bool on, const std::string& program);
  // The compare path the lookup beside the executable found: not saved, so each
  // start looks again. No run.
  void set_found_compare_path(const std::string& program);
  // Where the compared result comes from; the worker reads it under the mutex.
  void set_compare_source(int source);
  // The Difference view's gain: the picture is remade by a run.
  void set_diff_gain(int gain);
  // Brush dab of `radius` source pixels on layer kFocusLayer or kDitherLayer;
  // `amount` in -1..1 is what the centre gains, in 255ths. No run: the stroke's end asks.
  void paint_dab(int layer, int x, int y, int radius, float amount);
  void clear_layer(int layer);
  // Pins the source colour at (x, y) unless a pin has its R, G, B; no run.
  void pin_at(int x, int y);
  // Removes the pin nearest in RGB to the source colour at (x, y); no run.
  void unpin_nearest(int x, int y);
  void remove_pin(std::size_t i);
  void clear_pins();
  // Replaces the pins, dropping repeated R, G, B and keeping at most 255.
  void set_pins(const std::vector<Rgba>& colours);
  // Takes 1 to 256 colours as the fixed palette; `kind` 1 file, 2 clipboard.
  void load_palette(const std::vector<Rgba>& colours, int kind, const std::string& name);
  void clear_palette();
  void remove_palette_entry(std::size_t i);
  void set_palette_entry(std::size_t i, Rgba rgba);
  // False when pin i does not exist or another pin already has these four bytes.
  bool set_pin_entry(std::size_t i, Rgba rgba);
  // Makes the shown result's palette, entry i changed, the fixed palette;
  // returns its size, or 0 when there is no such entry.
  std::uint32_t fix_palette(std::size_t i, Rgba rgba);

  // ---- Edit history (main thread).
  // Once per frame, before the interface: the options a widget may change in it.
  void begin_frame();
  // Records the state before an edit; at most one step per frame.
  void push_edit_step();
  // Restore the newest differing step / the newest undone one; false when none.
  bool undo();
  bool redo();
  bool can_undo() const { return history_.can_undo(); }
  bool can_redo() const { return history_.can_redo(); }
  std::size_t undo_depth() const { return history_.undo_depth(); }
  std::size_t redo_depth() const { return history_.redo_depth(); }
  // The memory bound of the layer snapshots the history keeps.
  void set_history_byte_limit(std::uint64_t bytes) { history_.set_byte_limit(bytes); }

 private:
  struct RunInputs;
  void worker_loop();
  // One engine run, published; false when there was nothing to run.
  bool run_once();
  // Under the mutex: what the next run works on; false when there is no image.
  bool copy_inputs(RunInputs& in);
  // The engine on the copies, timed and measured; the status is the engine's.
  std::uint32_t run_engine(RunInputs& in, QuantResult& run, QuantizeReport& report);
  // The external quantizer on the same copies when comparison is on; empty otherwise.
  QuantResult run_reference_for(const RunInputs& in, const QuantResult& run);
  void measure_png_size();    // the worker slot's indexed PNG size, published
  void publish(QuantResult run, QuantResult run_reference);
  // A run refused for its quality: only the refusal is published; `unused`
  // gives its buffers back.
  void publish_refusal(std::uint32_t best, QuantResult unused);
  void wake_worker();         // ends the worker's idle wait early
  void call_wake_ui();
  // Both under the mutex.
  EditStep snapshot_step();
  void restore(const EditStep& step);
  bool has_image() const;  // pixels match the size
  bool& use_flag(UseFlag flag);

  friend struct DocumentTestAccess;

  // ---- Inputs, guarded by mutex_.
  mutable std::mutex mutex_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  double gamma_ = kDefaultGamma;
  PixelBytes pixels_;
  std::string path_;
  std::uint32_t distinct_colours_ = 0;
  QuantizerOptions options_;
  bool use_pins_ = true;
  bool use_focus_ = true;
  bool use_dither_map_ = true;
  bool use_palette_ = true;
  std::vector<Rgba> pins_;
  std::vector<Rgba> palette_;
  std::string palette_name_;
  int palette_kind_ = kPaletteNone;
  MapLayer layers_[2];
  bool compare_ = false;
  int compare_source_ = 1;  // 1: an external program, the only source
  std::string compare_path_;
  bool compare_path_found_ = false;  // compare_path_ came from the lookup, not the user
  int diff_gain_ = 8;  // amplification of the Difference view's picture

  // ---- Results. The worker slots are written by the worker under the mutex; the
  // interface copies only by the main thread (in take_result).
  QuantResult worker_result_;
  QuantResult worker_reference_;
  QuantResult result_;
  QuantResult reference_;
  QualityRefusal worker_refusal_;
  QualityRefusal refusal_;
  bool took_new_run_ = false;

  // ---- Coordination, each consumed by exchange.
  std::atomic<bool> requant_requested_{false};
  std::atomic<bool> worker_busy_{false};
  std::atomic<bool> png_size_requested_{false};
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> result_published_{false};
  std::atomic<bool> source_size_requested_{false};
  std::atomic<std::uint64_t> source_png_size_{0};

  QuantizeFunction engine_;
  std::mutex hooks_mutex_;  // guards the two callbacks below
  std::function<void()> wake_ui_;
  ReferenceRunner reference_runner_;
  // The idle worker waits here for at most one poll interval; a request cuts the wait short.
  std::mutex idle_mutex_;
  std::condition_variable idle_wake_;
  // The worker's buffers, kept from one run to the next: fresh ones would be
  // paged in again on every run, a good part of the time a run adds to the engine's.
  PixelBytes source_copy_;
  QuantResult spare_;  // the worker slot the last publish replaced
  // Runs published and taken, under the mutex: a second take of the same run
  // (its PNG size measured) copies no pictures.
  std::uint64_t published_runs_ = 0;
  std::uint64_t taken_runs_ = 0;
  EditHistory history_;
  std::thread worker_;
};
