// HEIF and HEIC through libheif, when the build has it and the library loads:
// the primary image. Without it a HEIF file is simply not recognised.
#include "io/decode/format_decoders.h"

#ifdef BQ_HAVE_HEIF
#include <cstring>

#include "io/decode/heif_functions.h"

bool is_heif_content(const std::uint8_t* bytes, std::size_t size) {
  // Every HEIF file opens with its "ftyp" box; anything else is settled here
  // without loading libheif.
  if (size < 12 || std::memcmp(bytes + 4, "ftyp", 4) != 0) return false;
  const HeifFunctions* heif = heif_functions();
  if (heif == nullptr) return false;
  heif_filetype_result type = heif->heif_check_filetype(bytes, static_cast<int>(size < 64 ? size : 64));
  return type == heif_filetype_yes_supported || type == heif_filetype_maybe;
}

bool probe_heif_file(const std::string& path, std::uint32_t& width, std::uint32_t& height) {
  const HeifFunctions* heif = heif_functions();
  if (heif == nullptr) return false;
  heif_context* context = heif->heif_context_alloc();
  if (context == nullptr) return false;
  heif_image_handle* handle = nullptr;
  bool known = heif->heif_context_read_from_file(context, path.c_str(), nullptr).code == heif_error_Ok &&
               heif->heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok;
  if (known) {
    int w = heif->heif_image_handle_get_width(handle), h = heif->heif_image_handle_get_height(handle);
    known = w > 0 && h > 0;
    width = static_cast<std::uint32_t>(w);
    height = static_cast<std::uint32_t>(h);
  }
  if (handle != nullptr) heif->heif_image_handle_release(handle);
  heif->heif_context_free(context);
  return known;
}

IoStatus decode_heif_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  const HeifFunctions* heif = heif_functions();
  if (heif == nullptr) return IoCode::kUnrecognised;
  heif_context* context = heif->heif_context_alloc();
  if (context == nullptr) return IoCode::kOutOfMemory;
  IoStatus status = IoCode::kOk;
  heif_image_handle* handle = nullptr;
  heif_image* decoded = nullptr;
  if (heif->heif_context_read_from_memory_without_copy(context, bytes, size, nullptr).code !=
      heif_error_Ok) {
    status = IoCode::kUnrecognised;
  } else if (heif->heif_context_get_primary_image_handle(context, &handle).code != heif_error_Ok) {
    status = IoCode::kNoFrame;
  } else {
    int width = heif->heif_image_handle_get_width(handle);
    int height = heif->heif_image_handle_get_height(handle);
    status = check_image_size(width < 0 ? 0 : width, height < 0 ? 0 : height);
  }
  if (status.ok() &&
      heif->heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                              nullptr).code != heif_error_Ok) {
    status = IoCode::kUnreadablePixels;
  }
  if (status.ok()) {
    int width = heif->heif_image_get_width(decoded, heif_channel_interleaved);
    int height = heif->heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif->heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (plane == nullptr || width <= 0 || height <= 0) {
      status = IoCode::kCannotConvert;
    } else {
      status = allocate_pixels(width, height, image);
    }
    for (std::uint32_t y = 0; status.ok() && y < image.height; ++y) {
      std::memcpy(image.pixels.data() + std::size_t{y} * image.width * 4,
                  plane + static_cast<std::size_t>(stride) * y, std::size_t{image.width} * 4);
    }
  }
  if (decoded != nullptr) heif->heif_image_release(decoded);
  if (handle != nullptr) heif->heif_image_handle_release(handle);
  heif->heif_context_free(context);
  return status;
}

#else

bool is_heif_content(const std::uint8_t*, std::size_t) { return false; }

bool probe_heif_file(const std::string&, std::uint32_t&, std::uint32_t&) { return false; }

IoStatus decode_heif_memory(const std::uint8_t*, std::size_t, DecodedImage&) {
  return IoCode::kUnrecognised;
}

#endif
