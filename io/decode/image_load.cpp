// Any image file: PNGs through the dedicated path first, everything else (and
// PNGs it rejects) through the platform's decoder.
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <new>

#include "io/file_system.h"
#include "io/decode/format_decoders.h"
#include "io/image_decode.h"
#include "io/png/png_signature.h"
#include "tamble/large_page_vector.h"

namespace {

constexpr std::size_t kReadBlock = 65536;
constexpr std::uint64_t kLargestInput = 4294967296ull;

// The file's bytes, or a failure when it cannot be read or could never fit.
IoStatus read_file_bytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  if (!is_regular_file(path)) return IoCode::kUnrecognised;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return IoCode::kUnrecognised;
  IoStatus status = IoCode::kOk;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length <= 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    status = IoCode::kUnrecognised;
  } else if (static_cast<std::uint64_t>(length) > available_memory_bytes()) {
    status = IoCode::kTooLarge;
  } else {
    try {
      tamble::assign_on_large_pages(bytes, static_cast<std::size_t>(length));
      if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        status = IoCode::kUnrecognised;
      }
    } catch (const std::bad_alloc&) {
      status = IoCode::kTooLarge;
    }
  }
  std::fclose(file);
  return status;
}

// Bytes from the stream's position to its end when it is a file that can
// seek, else 0. The position is left where it was.
std::uint64_t bytes_to_end(std::FILE* file) {
  const long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0 || end <= here) return 0;
  return static_cast<std::uint64_t>(end - here);
}

}  // namespace

IoStatus read_whole_stream(std::FILE* file, std::vector<std::uint8_t>& bytes) {
  // Also a stream without end (a pipe from /dev/zero) stops at what memory allows.
  std::uint64_t limit = std::min(kLargestInput, available_memory_bytes() / 2);
  std::uint64_t total = 0;
  try {
    // A file of known length is read in one piece into one block, with a byte
    // to spare that shows it did not grow meanwhile; a pipe in blocks.
    const std::uint64_t known = bytes_to_end(file);
    std::size_t step = kReadBlock;
    if (known > 0 && known < limit) {
      step = static_cast<std::size_t>(known) + 1;
      tamble::assign_on_large_pages(bytes, step);
    }
    for (;;) {
      if (bytes.size() < total + step) bytes.resize(total + step);
      std::size_t got = std::fread(bytes.data() + total, 1, step, file);
      total += got;
      if (total >= limit) {
        bytes.clear();
        return IoCode::kTooLarge;
      }
      if (got < step) break;
      step = kReadBlock;
    }
  } catch (const std::bad_alloc&) {
    bytes.clear();
    return IoCode::kOutOfMemory;
  }
  bytes.resize(total);
  return total == 0 ? IoCode::kUnrecognised : IoCode::kOk;
}

IoStatus load_image_stream(std::FILE* stream, DecodedImage& image) {
  std::vector<std::uint8_t> bytes;
  IoStatus status = read_whole_stream(stream, bytes);
  if (!status.ok()) return status;
  // A PNG's gamma counts here as on the dedicated path by name.
  if (starts_with_png_signature(bytes.data(), bytes.size())) {
    DecodedImage decoded;
    if (decode_png_memory(bytes.data(), bytes.size(), decoded).ok()) {
      image = std::move(decoded);
      return IoCode::kOk;
    }
  }
  return decode_bytes_with_platform(bytes, image);
}

IoStatus load_image_file(const std::string& path, DecodedImage& image) {
  // Folders, pipes and devices are not images; opening a pipe could block forever.
  IoStatus readable = readable_file_status(path);
  if (!readable.ok()) return readable;
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

IoStatus decode_with_platform(const std::string& path, DecodedImage& image) {
  std::vector<std::uint8_t> bytes;
  IoStatus status = read_file_bytes(path, bytes);
  if (!status.ok()) return status;
  return decode_bytes_with_platform(bytes, image);
}
