// Any image file: PNGs through the dedicated path first, everything else (and
// PNGs it rejects) through the platform's decoder.
#include <cstdio>
#include <cstring>

#include "io/file_system.h"
#include "io/image_decode.h"
#include "io/png_signature.h"

IoStatus load_image_file(const std::string& path, DecodedImage& image) {
  if (path_is_missing(path)) return IoCode::kNoSuchFile;
  // Folders, pipes and devices are not images; opening a pipe could block forever.
  if (!is_regular_file(path)) return IoCode::kUnrecognised;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    unsigned char head[8] = {};
    bool is_png = starts_with_png_signature(head, std::fread(head, 1, 8, file));
    if (is_png) {
      std::rewind(file);
      DecodedImage decoded;
      if (decode_png_stream(file, decoded).ok()) {
        std::fclose(file);
        image = std::move(decoded);
        return IoCode::kOk;
      }
    }
    std::fclose(file);
  }
  return decode_with_platform(path, image);
}
