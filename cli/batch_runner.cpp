#include "cli/batch_runner.h"

#include <cstdio>
#include <new>
#include <vector>

#include "cli/map_raster.h"
#include "cli/path_exists.h"
#include "io/image_decode.h"
#include "io/palette_file.h"
#include "io/png_write.h"

namespace {

// The engine always hands back palette bytes encoded for gamma 1/2.2, whatever
// the input's gamma, so that is the gamma the written file must declare.
constexpr double kEngineOutputGamma = 0.45454545454545453;

// What every input shares: the fixed colours and the maps, read once.
struct SharedInputs {
  std::uint8_t colours[256 * 4] = {};
  MapRaster focus;
  MapRaster dither;
};

bool read_fixed_colours(BatchRequest& request, SharedInputs& shared) {
  const std::string& path =
      !request.palette_path.empty() ? request.palette_path : request.pins_path;
  if (path.empty()) return true;
  std::string message;
  int count = read_palette_file(path, shared.colours, 256, message);
  if (count <= 0) {
    std::fprintf(stderr, "cannot read palette %s: %s\n", path.c_str(),
                 count == 0 ? "no colours" : message.c_str());
    return false;
  }
  request.options.pins = shared.colours;
  request.options.pin_count = static_cast<std::uint32_t>(count);
  if (!request.palette_path.empty())
    request.options.colors = static_cast<std::uint32_t>(count < 2 ? 2 : count);
  return true;
}

bool read_map(const std::string& path, const char* what, MapRaster& raster) {
  if (path.empty()) return true;
  DecodedImage image;
  std::string message;
  if (!load_image_file(path, image, message)) {
    std::fprintf(stderr, "cannot read %s %s: %s\n", what, path.c_str(), message.c_str());
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

bool quantize_one(const std::string& input, const std::string& output,
                  const BatchRequest& request, const SharedInputs& shared,
                  const QuantizeFunction& quantize) {
  if (!request.force && path_exists(output)) {
    std::fprintf(stderr, "%s exists; not overwriting (use -f)\n", output.c_str());
    return false;
  }
  DecodedImage image;
  std::string message;
  if (!load_image_file(input, image, message)) {
    std::fprintf(stderr, "%s: %s\n", input.c_str(), message.c_str());
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
  std::uint32_t status = quantize(image.pixels.data(), image.width, image.height,
                                        image.gamma, &options, nullptr, indices.data(), palette,
                                        &palette_size, nullptr);
  if (status != kQuantizeOk) {
    std::fprintf(stderr, "%s: quantizer failed (%d)\n", input.c_str(), static_cast<int>(status));
    return false;
  }

  std::vector<const std::uint8_t*> rows(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y)
    rows[y] = indices.data() + static_cast<std::size_t>(y) * image.width;
  if (!save_indexed_png(output, image.width, image.height, kEngineOutputGamma, rows.data(),
                        palette, palette_size, message,
                        request.smallest ? CompressionEffort::kSmallest
                                         : CompressionEffort::kDefault)) {
    std::fprintf(stderr, "%s: %s\n", output.c_str(), message.c_str());
    return false;
  }
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
      std::fprintf(stderr, "%s: %s\n", input.c_str(), "not enough memory");
    }
    if (!written) ++failed;
  }
  if (failed == 0) return 0;
  return failed == request.inputs.size() ? 1 : 2;
}
