#include "cli/batch_runner.h"

#include <cstdio>
#include <exception>
#include <map>
#include <new>
#include <vector>

#include "cli/map_raster.h"
#include "cli/path_exists.h"
#include "engine/memory_budget.h"
#include "io/file_system.h"
#include "io/image_decode.h"
#include "io/image_probe.h"
#include "io/palette_file.h"
#include "io/png_write.h"

namespace {

constexpr int kMostColours = 256;
constexpr char kNotEnoughMemory[] = "not enough memory";

// What every input shares: the fixed colours and the maps, read once.
struct SharedInputs {
  // One entry more than a palette holds, to learn that a file holds more.
  std::uint8_t colours[(kMostColours + 1) * 4] = {};
  MapRaster focus;
  MapRaster dither;
  // Outputs written so far, by the file they finally name, with their input.
  std::map<std::string, std::string> written;
};

bool read_fixed_colours(BatchRequest& request, SharedInputs& shared) {
  const std::string& path =
      !request.palette_path.empty() ? request.palette_path : request.pins_path;
  if (path.empty()) return true;
  std::string message;
  std::string warning;
  int count = read_palette_file(path, shared.colours, kMostColours + 1, message, &warning);
  if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
  if (count <= 0) {
    std::fprintf(stderr, "cannot read palette %s: %s\n", path.c_str(),
                 count == 0 ? "no colours" : message.c_str());
    return false;
  }
  const bool fixed_palette = !request.palette_path.empty();
  // A fixed palette is used exactly as given, even one of a single colour.
  const int usable = fixed_palette ? kMostColours : static_cast<int>(request.options.colors);
  if (count > usable) {
    if (fixed_palette)
      std::fprintf(stderr, "palette %s has more than %d colours; using the first %d\n",
                   path.c_str(), kMostColours, kMostColours);
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

bool read_map(const std::string& path, const char* what, MapRaster& raster) {
  if (path.empty()) return true;
  DecodedImage image;
  IoStatus status = load_image_file(path, image);
  if (!status.ok()) {
    std::fprintf(stderr, "cannot read %s %s: %s\n", what, path.c_str(), io_message(status).c_str());
    return false;
  }
  raster = map_raster_from_red(image);
  return true;
}

// A map of another size than the image fails the input rather than being ignored.
bool map_fits(const MapRaster& map, const char* what, const std::string& input,
              const DecodedImage& image) {
  if (!map.present() || (map.width == image.width && map.height == image.height)) return true;
  std::fprintf(stderr, "%s: %s is %ux%u, image is %ux%u\n", input.c_str(), what, map.width,
               map.height, image.width, image.height);
  return false;
}

// An image the engine would refuse for its size is refused before it is decoded.
bool size_fits(const std::string& input, const QuantizerOptions& options) {
  std::uint32_t width = 0, height = 0;
  if (!probe_image_size(input, width, height)) return true;
  if (run_fits_in_memory(std::uint64_t{width} * height, options.speed)) return true;
  std::fprintf(stderr, "%s: %s\n", input.c_str(), kNotEnoughMemory);
  return false;
}

bool quantize_one(const std::string& input, const std::string& output,
                  const BatchRequest& request, SharedInputs& shared,
                  const QuantizeFunction& quantize) {
  // Two inputs of one run that map to one output would silently lose the first result.
  auto earlier = shared.written.find(resolved_path(output));
  if (earlier != shared.written.end()) {
    std::fprintf(stderr, "%s: %s is already written from %s\n", input.c_str(), output.c_str(),
                 earlier->second.c_str());
    return false;
  }
  if (!request.force && path_exists(output)) {
    std::fprintf(stderr, "%s exists; not overwriting (use -f)\n", output.c_str());
    return false;
  }
  if (!size_fits(input, request.options)) return false;
  DecodedImage image;
  IoStatus loaded = load_image_file(input, image);
  if (!loaded.ok()) {
    std::fprintf(stderr, "%s: %s\n", input.c_str(), io_message(loaded).c_str());
    return false;
  }

  // Each input gets its own copy, so nothing set for one file leaks into the next.
  QuantizerOptions options = request.options;
  if (!map_fits(shared.focus, "focus map", input, image)) return false;
  if (!map_fits(shared.dither, "dither map", input, image)) return false;
  if (shared.focus.present()) {
    options.focus_map = shared.focus.values.data();
    options.focus_weight = request.focus_weight;
  }
  if (shared.dither.present()) options.dither_map = shared.dither.values.data();

  std::vector<std::uint8_t> indices(static_cast<std::size_t>(image.width) * image.height);
  std::uint8_t palette[256 * 4] = {};
  std::uint32_t palette_size = 0;
  // The palette comes back encoded for the engine's output gamma, not the input's.
  double palette_gamma = 0.0;
  QuantizeReport report;
  std::uint32_t status = quantize(image.pixels.data(), image.width, image.height,
                                        image.gamma, &options, nullptr, indices.data(), palette,
                                        &palette_size, nullptr, &palette_gamma, &report);
  if (status == kQuantizeTooMuchError) {
    std::fprintf(stderr, "%s: quality limit exceeded (best %d)\n", input.c_str(),
                 static_cast<int>(report.quality));
    return false;
  }
  if (status != kQuantizeOk) {
    std::fprintf(stderr, "%s: quantizer failed (%d)\n", input.c_str(), static_cast<int>(status));
    return false;
  }

  std::vector<const std::uint8_t*> rows(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y)
    rows[y] = indices.data() + static_cast<std::size_t>(y) * image.width;
  IoStatus written = write_indexed_png(output, image.width, image.height, palette_gamma,
                                       rows.data(), palette, palette_size,
                                       request.smallest ? CompressionEffort::kSmallest
                                                        : CompressionEffort::kDefault);
  if (!written.ok()) {
    std::fprintf(stderr, "%s: %s\n", output.c_str(), io_message(written).c_str());
    return false;
  }
  shared.written.emplace(resolved_path(output), input);
  if (!request.quiet) {
    std::printf("%s -> %s (%u colours, %u-bit)\n", input.c_str(), output.c_str(), palette_size,
                palette_bit_depth(palette_size));
    std::fflush(stdout);
  }
  return true;
}

}  // namespace

int run_batch_request(BatchRequest& request, const QuantizeFunction& quantize) {
  SharedInputs shared;
  if (!read_fixed_colours(request, shared)) return 1;
  if (!read_map(request.focus_map_path, "focus map", shared.focus)) return 1;
  if (!read_map(request.dither_map_path, "dither map", shared.dither)) return 1;

  std::size_t failed = 0;
  for (const std::string& input : request.inputs) {
    std::string output = !request.output_path.empty()
                             ? request.output_path
                             : batch_output_path(input, request.suffix);
    bool written = false;
    try {
      written = quantize_one(input, output, request, shared, quantize);
    } catch (const std::bad_alloc&) {
      // One image too big for this machine must not end the whole run.
      std::fprintf(stderr, "%s: %s\n", input.c_str(), kNotEnoughMemory);
    } catch (const std::exception& e) {
      // Nor may anything else that goes wrong with one file.
      std::fprintf(stderr, "%s: %s\n", input.c_str(), e.what());
    }
    if (!written) ++failed;
  }
  if (failed == 0) return 0;
  return failed == request.inputs.size() ? 1 : 2;
}
