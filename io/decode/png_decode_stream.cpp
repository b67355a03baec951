// The dedicated PNG path: the whole file in memory, the file's gamma honoured.
#include <cstdio>
#include <string>
#include <vector>

#include "io/decode/format_decoders.h"
#include "io/image_decode.h"

IoStatus decode_png_stream(std::FILE* file, DecodedImage& image) {
  if (file == nullptr) return IoCode::kUnrecognised;
  std::vector<std::uint8_t> bytes;
  IoStatus status = read_whole_stream(file, bytes);
  if (status.code == IoCode::kTooLarge) std::fprintf(stderr, "  error: input larger than 4 GB\n");
  if (status.code == IoCode::kOutOfMemory)
    std::fprintf(stderr, "kestrane readpng:\tunable to allocate image data\n");
  if (status.code == IoCode::kUnrecognised) std::fprintf(stderr, "  error: empty input\n");
  if (!status.ok()) return status;

  DecodedImage decoded;
  std::string detail;
  status = decode_png_memory(bytes.data(), bytes.size(), decoded, &detail);
  switch (status.code) {
    case IoCode::kOk: image = std::move(decoded); break;
    case IoCode::kOutOfMemory:
      std::fprintf(stderr, "kestrane readpng:\tunable to allocate image data\n");
      break;
    case IoCode::kTooLarge: std::fprintf(stderr, "  error: image is too large\n"); break;
    case IoCode::kCannotConvert:
      std::fprintf(stderr, "  error: cannot convert the image to RGBA\n");
      break;
    case IoCode::kUnreadablePixels:
      std::fprintf(stderr, "  error: decoding failed (%s)\n", detail.c_str());
      break;
    case IoCode::kNoSize: break;
    default:
      std::fprintf(stderr, "  error: not an image the codec can read (%s)\n", detail.c_str());
      break;
  }
  return status;
}
