// WebP with libwebp: still images directly, animations through the demuxer's
// first composed frame; alpha is kept.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

#include "io/decode/format_decoders.h"

namespace {

IoStatus decode_first_animation_frame(const std::uint8_t* bytes, std::size_t size,
                                           DecodedImage& image) {
  WebPData data{bytes, size};
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return IoCode::kNoFrame;
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  if (decoder == nullptr) return IoCode::kNoFrame;
  WebPAnimInfo info;
  IoStatus status = IoCode::kNoFrame;
  if (WebPAnimDecoderGetInfo(decoder, &info)) {
    status = allocate_pixels(info.canvas_width, info.canvas_height, image);
  }
  std::uint8_t* frame = nullptr;
  int timestamp = 0;
  if (status.ok()) {
    if (WebPAnimDecoderGetNext(decoder, &frame, &timestamp) && frame != nullptr) {
      std::memcpy(image.pixels.data(), frame, image.pixels.size());
    } else {
      status = IoCode::kUnreadablePixels;
    }
  }
  WebPAnimDecoderDelete(decoder);
  return status;
}

}  // namespace

IoStatus decode_webp_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(bytes, size, &features) != VP8_STATUS_OK) return IoCode::kUnrecognised;
  if (features.has_animation) return decode_first_animation_frame(bytes, size, image);
  IoStatus status = allocate_pixels(static_cast<std::uint32_t>(features.width),
                                          static_cast<std::uint32_t>(features.height), image);
  if (!status.ok()) return status;
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return IoCode::kUnreadablePixels;
  // A lossy image's filtering and output run on a second thread, beside the
  // decoding of the next rows; the pixels are the same.
  config.options.use_threads = 1;
  config.output.colorspace = MODE_RGBA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = image.pixels.data();
  config.output.u.RGBA.stride = static_cast<int>(image.width) * 4;
  config.output.u.RGBA.size = image.pixels.size();
  VP8StatusCode result = WebPDecode(bytes, size, &config);
  WebPFreeDecBuffer(&config.output);
  return result == VP8_STATUS_OK ? IoStatus(IoCode::kOk) : IoStatus(IoCode::kUnreadablePixels);
}
