// JPEG with libjpeg-turbo: colour, greyscale and CMYK (plain or Adobe-inverted).
//
// libjpeg reports errors by longjmp; the frame holding the setjmp and the
// callbacks keep only plain C data, so no destructor is ever skipped.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "io/decode/format_decoders.h"

namespace {

struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  bool data_ended;  // the scan ran out of bytes and libjpeg padded it
};

void on_jpeg_error(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  std::longjmp(errors->jump, 1);
}

void on_jpeg_message(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) errors->data_ended = true;
}

// A progressive file can hold thousands of tiny scans that each cost a pass over
// the whole image; real encoders use a dozen or so.
constexpr int kMostScans = 500;

void on_jpeg_progress(j_common_ptr info) {
  if (!info->is_decompressor) return;
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMostScans) on_jpeg_error(info);
}

// Widens a row decoded in place at the start of its RGBA slot, working backwards.
void widen_row(std::uint8_t* row, std::uint32_t width, int components, bool adobe_inverted) {
  for (std::uint32_t x = width; x-- > 0;) {
    std::uint8_t* out = row + std::size_t{x} * 4;
    if (components == 1) {
      std::uint8_t grey = row[x];
      out[0] = out[1] = out[2] = grey;
    } else if (components == 3) {
      std::uint8_t r = row[x * 3], g = row[x * 3 + 1], b = row[x * 3 + 2];
      out[0] = r, out[1] = g, out[2] = b;
    } else {
      unsigned c = row[x * 4], m = row[x * 4 + 1], y = row[x * 4 + 2], k = row[x * 4 + 3];
      // Adobe writes CMYK inverted, so the stored values already are 255 - ink.
      if (!adobe_inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
      out[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
      out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
      out[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
    }
    out[3] = 255;
  }
}

IoStatus run_jpeg_decoder(const std::uint8_t* bytes, std::size_t size, DecodedImage* image) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = on_jpeg_error;
  errors.manager.emit_message = on_jpeg_message;
  errors.data_ended = false;
  jpeg_progress_mgr progress;
  progress.progress_monitor = on_jpeg_progress;
  volatile IoCode on_jump = IoCode::kUnrecognised;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return on_jump;
  }
  jpeg_create_decompress(&info);
  info.progress = &progress;
  jpeg_mem_src(&info, bytes, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return IoCode::kNoFrame;
  }
  int components = 3;
  bool adobe_inverted = false;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE: info.out_color_space = JCS_GRAYSCALE; components = 1; break;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      components = 4;
      adobe_inverted = info.saw_Adobe_marker != 0;
      break;
    default: info.out_color_space = JCS_RGB; break;
  }
  IoStatus status = allocate_pixels(info.image_width, info.image_height, *image);
  if (!status.ok()) {
    jpeg_destroy_decompress(&info);
    return status;
  }
  // Progressive files are read in full while decompression starts.
  on_jump = IoCode::kUnreadablePixels;
  jpeg_start_decompress(&info);
  if (info.output_width != image->width || info.output_height != image->height ||
      info.output_components != components) {
    jpeg_destroy_decompress(&info);
    return IoCode::kCannotConvert;
  }
  while (info.output_scanline < info.output_height) {
    std::uint8_t* row = image->pixels.data() + std::size_t{info.output_scanline} * image->width * 4;
    JSAMPROW rows[1] = {row};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    widen_row(row, image->width, components, adobe_inverted);
  }
  bool complete = info.output_scanline == info.output_height && !errors.data_ended;
  // A missing end marker after the last row is harmless, so the file is not finished.
  jpeg_destroy_decompress(&info);
  return complete ? IoCode::kOk : IoCode::kUnreadablePixels;
}

}  // namespace

IoStatus decode_jpeg_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  return run_jpeg_decoder(bytes, size, &image);
}
