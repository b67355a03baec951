// The public PNG writers: argument checks, safe replacement of the target, the size probe.
#include "io/png_write.h"

#include "io/file_system.h"
#include "io/png/png_encoder.h"
#include "io/replacing_file.h"

namespace {

bool indexed_arguments_valid(std::uint32_t width, std::uint32_t height,
                             const std::uint8_t* const* index_rows, const std::uint8_t* palette,
                             std::uint32_t palette_size) {
  if (index_rows == nullptr || palette == nullptr || width == 0 || height == 0) return false;
  if (palette_size < 1 || palette_size > 256) return false;
  for (std::uint32_t y = 0; y < height; ++y) {
    if (index_rows[y] == nullptr) return false;
  }
  return true;
}

}  // namespace

IoStatus write_indexed_png(const std::string& path, std::uint32_t width, std::uint32_t height,
                           double gamma, const std::uint8_t* const* index_rows,
                           const std::uint8_t* palette, std::uint32_t palette_size,
                           CompressionEffort effort) {
  if (path.empty()) return IoCode::kBadArguments;
  // The target is replaced only by a complete file; any failure leaves it as it was.
  ReplacingFile output;
  if (output.open(path) == nullptr) return output.failure();
  return write_indexed_png(output, width, height, gamma, index_rows, palette, palette_size, effort);
}

IoStatus write_indexed_png(ReplacingFile& output, std::uint32_t width, std::uint32_t height,
                           double gamma, const std::uint8_t* const* index_rows,
                           const std::uint8_t* palette, std::uint32_t palette_size,
                           CompressionEffort effort, EarlyIndexedRows* early) {
  if (!indexed_arguments_valid(width, height, index_rows, palette, palette_size)) {
    return IoCode::kBadArguments;
  }
  IoStatus status = write_indexed_png(output.file(), width, height, gamma, index_rows, palette,
                                      palette_size, effort, early);
  if (!status.ok()) return status;
  return output.commit() ? IoStatus() : output.failure();
}

IoStatus write_indexed_png(std::FILE* file, std::uint32_t width, std::uint32_t height,
                           double gamma, const std::uint8_t* const* index_rows,
                           const std::uint8_t* palette, std::uint32_t palette_size,
                           CompressionEffort effort, EarlyIndexedRows* early) {
  if (file == nullptr || !indexed_arguments_valid(width, height, index_rows, palette, palette_size)) {
    return IoCode::kBadArguments;
  }
  PieceDeflate* started = early ? early->matching(width, height, palette_size, effort) : nullptr;
  IoStatus status = encode_indexed_png(file, width, height, gamma, index_rows, palette,
                                       palette_size, effort, 0, started);
  // A failed write leaves its reason in errno; nothing since has made a system call that fails.
  if (status.code == IoCode::kCannotWrite && status.system_error == 0) {
    status = io_system_failure(IoCode::kCannotWrite);
  }
  return status;
}

IoStatus write_rgba_png(std::FILE* file, std::uint32_t width, std::uint32_t height, double gamma,
                        const std::uint8_t* const* rgba_rows) {
  if (file == nullptr || rgba_rows == nullptr || width == 0 || height == 0) {
    return IoCode::kBadArguments;
  }
  for (std::uint32_t y = 0; y < height; ++y) {
    if (rgba_rows[y] == nullptr) return IoCode::kBadArguments;
  }
  return encode_rgba_png(file, width, height, gamma, rgba_rows);
}

namespace {

// Runs an encoder into a temporary file that is always removed (one without a
// name where the system allows, so not even a killed process leaves it); once
// it has written everything, `take` gets the file, flushed and at its end.
template <class Encode, class Take>
void through_temporary_file(const char* prefix, Encode encode, Take take) {
  std::string path;
  bool unsupported = false;
  std::FILE* file = create_unnamed_file(temporary_folder(), unsupported);
  if (file == nullptr && unsupported) file = create_unique_file(temporary_folder(), prefix, path);
  if (file == nullptr) return;
  if (encode(file).ok() && std::fflush(file) == 0 && std::fseek(file, 0, SEEK_END) == 0) take(file);
  std::fclose(file);
  if (!path.empty()) remove_file(path);
}

// Bytes an encoder writes; 0 on any failure.
template <class Encode>
std::uint64_t probe_size(const char* prefix, Encode encode) {
  std::uint64_t size = 0;
  through_temporary_file(prefix, encode, [&](std::FILE* file) {
    long end = std::ftell(file);
    if (end > 0) size = static_cast<std::uint64_t>(end);
  });
  return size;
}

}  // namespace

std::uint64_t indexed_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                               const std::uint8_t* const* index_rows,
                               const std::uint8_t* palette, std::uint32_t palette_size) {
  if (!indexed_arguments_valid(width, height, index_rows, palette, palette_size)) return 0;
  return probe_size("bq-size-", [&](std::FILE* probe) {
    return encode_indexed_png(probe, width, height, gamma, index_rows, palette, palette_size);
  });
}

std::uint64_t rgba_png_size(std::uint32_t width, std::uint32_t height, double gamma,
                            const std::uint8_t* const* rgba_rows) {
  return probe_size("bq-source-", [&](std::FILE* probe) {
    return write_rgba_png(probe, width, height, gamma, rgba_rows);
  });
}

std::vector<std::uint8_t> indexed_png_bytes(std::uint32_t width, std::uint32_t height, double gamma,
                                            const std::uint8_t* const* index_rows,
                                            const std::uint8_t* palette, std::uint32_t palette_size) {
  std::vector<std::uint8_t> bytes;
  if (!indexed_arguments_valid(width, height, index_rows, palette, palette_size)) return bytes;
  through_temporary_file(
      "bq-copy-",
      [&](std::FILE* file) {
        return encode_indexed_png(file, width, height, gamma, index_rows, palette, palette_size);
      },
      [&](std::FILE* file) {
        long end = std::ftell(file);
        if (end <= 0 || std::fseek(file, 0, SEEK_SET) != 0) return;
        bytes.resize(static_cast<std::size_t>(end));
        if (std::fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
      });
  return bytes;
}
