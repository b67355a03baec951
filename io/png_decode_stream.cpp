// The dedicated PNG path: the whole file in memory, the file's gamma honoured.
#include <cstdio>
#include <vector>

#include "io/format_decoders.h"
#include "io/image_decode.h"

namespace {

constexpr std::size_t kReadBlock = 65536;
constexpr std::uint64_t kLargestInput = 4294967296ull;

// 0 when read, else the status to return (messages already printed).
int read_whole_stream(std::FILE* file, std::vector<std::uint8_t>& bytes) {
  std::uint64_t total = 0;
  try {
    for (;;) {
      bytes.resize(total + kReadBlock);
      std::size_t got = std::fread(bytes.data() + total, 1, kReadBlock, file);
      total += got;
      if (total >= kLargestInput) {
        std::fprintf(stderr, "  error: input larger than 4 GB\n");
        return kPngDecodeInputProblem;
      }
      if (got < kReadBlock) break;
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kestrane readpng:\tunable to allocate image data\n");
    return kPngDecodeOutOfMemory;
  }
  bytes.resize(total);
  if (total == 0) {
    std::fprintf(stderr, "  error: empty input\n");
    return kPngDecodeInputProblem;
  }
  return kPngDecodeOk;
}

}  // namespace

int decode_png_stream(std::FILE* file, DecodedImage& image) {
  if (file == nullptr) return kPngDecodeInputProblem;
  std::vector<std::uint8_t> bytes;
  int status = read_whole_stream(file, bytes);
  if (status != kPngDecodeOk) return status;

  DecodedImage decoded;
  PngDecodeOutcome outcome = decode_png_memory(bytes.data(), bytes.size(), decoded);
  switch (outcome.failure) {
    case DecodeFailure::kNone:
      image = std::move(decoded);
      return kPngDecodeOk;
    case DecodeFailure::kOutOfMemory:
      std::fprintf(stderr, "kestrane readpng:\tunable to allocate image data\n");
      return kPngDecodeOutOfMemory;
    case DecodeFailure::kTooLarge:
      std::fprintf(stderr, "  error: image is too large\n");
      return kPngDecodeOutOfMemory;
    case DecodeFailure::kCannotConvert:
      std::fprintf(stderr, "  error: cannot convert the image to RGBA\n");
      return kPngDecodeFailed;
    case DecodeFailure::kUnreadablePixels:
      std::fprintf(stderr, "  error: decoding failed (%s)\n", outcome.detail.c_str());
      return kPngDecodeFailed;
    case DecodeFailure::kNoSize:
      return kPngDecodeFailed;
    default:
      std::fprintf(stderr, "  error: not an image the codec can read (%s)\n",
                   outcome.detail.c_str());
      return kPngDecodeFailed;
  }
}
