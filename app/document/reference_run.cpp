#include "app/document/reference_run.h"

#include <cstdio>
#include <string>
#include <utility>

#include "app/document/png_size.h"
#include "app/document/result_quality.h"
#include "app/platform/quiet_program.h"
#include "engine/dither_kind.h"
#include "io/file_system.h"
#include "io/image_decode.h"
#include "io/png_write.h"

namespace {

constexpr const char* kInputSuffix = ".png";

std::uint64_t file_length(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return 0;
  long end = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  std::fclose(file);
  return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

// The source as an RGBA PNG in a new temporary file; its path, or empty on failure.
std::string write_source(const ReferenceRequest& request) {
  std::string path;
  std::FILE* file = create_unique_file(temporary_folder(), "bq-reference-", path, kInputSuffix);
  if (file == nullptr) return {};
  std::vector<const std::uint8_t*> rows =
      row_pointers(request.pixels, request.height, std::size_t{request.width} * 4);
  double gamma = request.gamma > 0.0 ? request.gamma : kDefaultGamma;
  bool written = write_rgba_png(file, request.width, request.height, gamma, rows.data()).ok();
  if (std::fclose(file) != 0) written = false;
  if (!written) {
    remove_file(path);
    return {};
  }
  return path;
}

}  // namespace

std::vector<std::string> reference_arguments(const std::string& program,
                                             const QuantizerOptions& options,
                                             const std::string& input_path) {
  std::vector<std::string> arguments{program,  "--force",        "--speed", std::to_string(options.speed),
                                     "--ext",  kReferenceSuffix};
  if (options.dither == kDitherNone) arguments.push_back("--nofs");
  arguments.push_back(std::to_string(options.colors));
  arguments.push_back(input_path);
  return arguments;
}

QuantResult run_reference(const ReferenceRequest& request, int timeout_ms) {
  QuantResult reference;
  const std::size_t pixel_count = std::size_t{request.width} * request.height;
  if (request.pixels == nullptr || request.options == nullptr || pixel_count == 0 ||
      request.program.empty())
    return reference;
  std::string input_path = write_source(request);
  if (input_path.empty()) return reference;
  std::string output_path =
      input_path.substr(0, input_path.size() - std::char_traits<char>::length(kInputSuffix)) +
      kReferenceSuffix;
  // Only a file the program writes may count: anything already at the name is no answer.
  remove_file(output_path);
  ProgramEnd end = ProgramEnd::not_started;
  if (path_is_missing(output_path))
    end = run_quiet_program(reference_arguments(request.program, *request.options, input_path),
                            timeout_ms, request.cancel);
  DecodedImage image;
  if (end == ProgramEnd::ended && load_image_file(output_path, image).ok() &&
      image.width == request.width && image.height == request.height &&
      image.pixels.size() == pixel_count * 4) {
    reference.width = image.width;
    reference.height = image.height;
    reference.gamma = image.gamma;
    reference.rgba = std::move(image.pixels);
    reference.png_size = file_length(output_path);
    ResultQuality quality = measure_quality(request.pixels, reference.rgba.data(), pixel_count);
    reference.rmse = quality.rmse;
    reference.psnr = quality.psnr;
    reference.ok = true;
  }
  remove_file(input_path);
  remove_file(output_path);
  return reference;
}
