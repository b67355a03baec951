#include "cli/batch_runner.h"

#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "cli/batch_maps.h"
#include "cli/early_encoding.h"
#include "cli/path_exists.h"
#include "cli/pixels_release.h"
#include "engine/engine_cache.h"
#include "engine/memory_budget.h"
#include "engine/palette_capacity.h"
#include "io/file_system.h"
#include "io/image_decode.h"
#include "io/image_probe.h"
#include "io/palette_file.h"
#include "io/png_write.h"
#include "io/replacing_file.h"
#include "tamble/os_memory.h"

namespace {

constexpr char kNotEnoughMemory[] = "not enough memory";
constexpr char kStandardStream[] = "-";

// What every input shares: the fixed colours and the maps, read once.
struct SharedInputs {
  // One entry more than a palette holds, to learn that a file holds more.
  std::uint8_t colours[(kPaletteCapacity + 1) * 4] = {};
  BatchMap focus;
  BatchMap dither;
  // Outputs written so far, by the file they finally name, with their input.
  std::map<std::string, std::string> written;
};

// How one input ended; a map that cannot be read ends the whole run.
enum class InputEnd { written, failed, stop_run };

// The reader's message names the path itself; the run's line names it once.
std::string palette_reason(const std::string& path, IoStatus status, const std::string& message) {
  if (status.code == IoCode::kNoPalette) return "no colours";
  if (message.rfind(path + ": ", 0) == 0) return message.substr(path.size() + 2);
  return io_message(status);
}

bool read_fixed_colours(BatchRequest& request, SharedInputs& shared) {
  const std::string& path =
      !request.palette_path.empty() ? request.palette_path : request.pins_path;
  if (path.empty()) return true;
  std::string message;
  std::string warning;
  int count = 0;
  IoStatus read = read_palette_file(path, shared.colours, static_cast<int>(kPaletteCapacity) + 1, count, message, &warning);
  if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
  if (!read.ok()) {
    std::fprintf(stderr, "cannot read palette %s: %s\n", path.c_str(),
                 palette_reason(path, read, message).c_str());
    return false;
  }
  const bool fixed_palette = !request.palette_path.empty();
  // A fixed palette is used exactly as given, even one of a single colour.
  const int usable = static_cast<int>(fixed_palette ? kPaletteCapacity : request.options.colors);
  if (count > usable) {
    if (fixed_palette)
      std::fprintf(stderr, "palette %s has more than %d colours; using the first %d\n",
                   path.c_str(), usable, usable);
    else
      std::fprintf(stderr, "pins %s hold more colours than the %d asked for; using the first %d\n",
                   path.c_str(), usable, usable);
    count = usable;
  }
  request.options.pins = shared.colours;
  request.options.pin_count = static_cast<std::uint32_t>(count);
  if (fixed_palette) request.options.colors = static_cast<std::uint32_t>(count);
  return true;
}

// An image the engine would refuse for its size, or that no map suits, is
// refused before it is decoded.
bool declared_size_fits(const std::string& input, const QuantizerOptions& options,
                        SharedInputs& shared) {
  std::uint32_t width = 0, height = 0;
  if (input == kStandardStream || !probe_image_size(input, width, height)) return true;
  if (!run_fits_in_memory(width, height, options.speed)) {
    std::fprintf(stderr, "%s: %s\n", input.c_str(), kNotEnoughMemory);
    return false;
  }
  for (BatchMap* map : {&shared.focus, &shared.dither}) {
    // fit() reports the mismatch; with the sizes known to differ it decodes nothing.
    if (!map->may_fit(width, height)) return map->fit(input, width, height) == MapFit::fits;
  }
  return true;
}

IoStatus load_input(const std::string& input, DecodedImage& image) {
  if (input == kStandardStream) return load_image_stream(stdin, image);
  return load_image_file(input, image);
}

// Where the PNG goes: a file, made before any decoding so that a run whose
// outputs cannot be made fails at once, or standard output.
struct Destination {
  const std::string& path;
  ReplacingFile file;
  bool to_stream() const { return path == kStandardStream; }
};

void report_write_failure(const std::string& output, IoStatus status) {
  if (status.code == IoCode::kOutputExists)
    std::fprintf(stderr, "%s exists; not overwriting (use -f)\n", output.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", output.c_str(), io_message(status).c_str());
}

InputEnd quantize_one(const std::string& input, Destination& out, const BatchRequest& request,
                      SharedInputs& shared, const QuantizeFunction& quantize) {
  const std::string& output = out.path;
  if (!out.to_stream()) {
    // Two inputs of one run that map to one output would silently lose the first result.
    auto earlier = shared.written.find(resolved_path(output));
    if (earlier != shared.written.end()) {
      std::fprintf(stderr, "%s: %s is already written from %s\n", input.c_str(), output.c_str(),
                   earlier->second.c_str());
      return InputEnd::failed;
    }
    if (!request.force && path_exists(output)) {
      report_write_failure(output, IoCode::kOutputExists);
      return InputEnd::failed;
    }
    // Without -f the name is given only if still free then: another run may take it meanwhile.
    if (out.file.open(output, request.force) == nullptr) {
      report_write_failure(output, out.file.failure());
      return InputEnd::failed;
    }
  }
  if (!declared_size_fits(input, request.options, shared)) return InputEnd::failed;
  DecodedImage image;
  IoStatus loaded = load_input(input, image);
  if (!loaded.ok()) {
    std::fprintf(stderr, "%s: %s\n", input.c_str(), io_message(loaded).c_str());
    return InputEnd::failed;
  }

  // Each input gets its own copy, so nothing set for one file leaks into the next.
  QuantizerOptions options = request.options;
  for (BatchMap* map : {&shared.focus, &shared.dither}) {
    MapFit fit = map->fit(input, image.width, image.height);
    if (fit == MapFit::unreadable) return InputEnd::stop_run;
    if (fit == MapFit::other_size) return InputEnd::failed;
  }
  if (shared.focus.wanted()) {
    options.focus_map = shared.focus.raster().values.data();
    options.focus_weight = request.focus_weight;
  }
  if (shared.dither.wanted()) options.dither_map = shared.dither.raster().values.data();

  CompressionEffort effort =
      request.smallest ? CompressionEffort::kSmallest : CompressionEffort::kDefault;
  EarlyIndexedRows early(image.width, image.height, effort);
  EarlyEncoding encoding(early);
  options.finished_rows = &encoding;
  PixelsRelease release(image.pixels);
  options.input_release = &release;

  // Nothing touches the indices before the engine's final copy, which comes
  // once the engine has freed its own blocks: their pages then serve these
  // instead of fresh ones.
  const std::size_t pixel_count = static_cast<std::size_t>(image.width) * image.height;
  const auto indices = std::make_unique_for_overwrite<std::uint8_t[]>(pixel_count);
  tamble::os::advise_large_pages(indices.get(), pixel_count);
  std::uint8_t palette[kPaletteCapacity * 4] = {};
  std::uint32_t palette_size = 0;
  // The palette comes back encoded for the engine's output gamma, not the input's.
  double palette_gamma = 0.0;
  QuantizeReport report;
  std::uint32_t status = quantize(image.pixels.data(), image.width, image.height,
                                        image.gamma, &options, nullptr, indices.get(), palette,
                                        &palette_size, nullptr, &palette_gamma, &report);
  if (status == kQuantizeOutOfMemory) {
    std::fprintf(stderr, "%s: %s\n", input.c_str(), kNotEnoughMemory);
    return InputEnd::failed;
  }
  if (status == kQuantizeTooMuchError) {
    std::fprintf(stderr, "%s: quality limit exceeded (best %d)\n", input.c_str(),
                 static_cast<int>(report.quality));
    return InputEnd::failed;
  }
  if (status != kQuantizeOk) {
    std::fprintf(stderr, "%s: quantizer failed (%d)\n", input.c_str(), static_cast<int>(status));
    return InputEnd::failed;
  }

  std::vector<const std::uint8_t*> rows(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y)
    rows[y] = indices.get() + static_cast<std::size_t>(y) * image.width;
  IoStatus written =
      out.to_stream()
          ? write_indexed_png(stdout, image.width, image.height, palette_gamma, rows.data(),
                              palette, palette_size, effort, &early)
          : write_indexed_png(out.file, image.width, image.height, palette_gamma, rows.data(),
                              palette, palette_size, effort, &early);
  if (written.ok() && out.to_stream() && std::fflush(stdout) != 0)
    written = io_system_failure(IoCode::kCannotWrite);
  if (!written.ok()) {
    report_write_failure(output, written);
    return InputEnd::failed;
  }
  if (!out.to_stream()) shared.written.emplace(resolved_path(output), input);
  if (!request.quiet) {
    // With the image on standard output, the line goes where it cannot mix with it.
    std::FILE* say = out.to_stream() ? stderr : stdout;
    std::fprintf(say, "%s -> %s (%u colours, %u-bit)\n", input.c_str(), output.c_str(),
                 palette_size, palette_bit_depth(palette_size));
    std::fflush(say);
  }
  return InputEnd::written;
}

}  // namespace

int run_batch_request(BatchRequest& request, const QuantizeFunction& quantize) {
  // Each image runs once: nothing is worth keeping for a later run.
  keep_engine_caches(false);
  SharedInputs shared{.focus = BatchMap("focus map", request.focus_map_path),
                      .dither = BatchMap("dither map", request.dither_map_path),
                      .written = {}};
  if (!read_fixed_colours(request, shared)) return 1;
  if (!shared.focus.prepare() || !shared.dither.prepare()) return 1;

  std::size_t failed = 0;
  for (const std::string& input : request.inputs) {
    std::string output = !request.output_path.empty()
                             ? request.output_path
                             : batch_output_path(input, request.suffix);
    Destination destination{output, {}};
    InputEnd end = InputEnd::failed;
    try {
      end = quantize_one(input, destination, request, shared, quantize);
    } catch (const std::bad_alloc&) {
      // One image too big for this machine must not end the whole run.
      std::fprintf(stderr, "%s: %s\n", input.c_str(), kNotEnoughMemory);
    } catch (const std::exception& e) {
      // Nor may anything else that goes wrong with one file.
      std::fprintf(stderr, "%s: %s\n", input.c_str(), e.what());
    }
    if (end == InputEnd::stop_run) return 1;
    if (end != InputEnd::written) ++failed;
  }
  if (failed == 0) return 0;
  return failed == request.inputs.size() ? 1 : 2;
}
