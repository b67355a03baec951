// TIFF with libtiff, read from memory; the first page, any sample depth, with alpha.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "io/decode/format_decoders.h"

namespace {

struct TiffSource {
  const std::uint8_t* bytes;
  std::size_t size;
  std::size_t position;
};

tmsize_t tiff_read(thandle_t handle, void* out, tmsize_t count) {
  auto* source = static_cast<TiffSource*>(handle);
  if (count <= 0) return 0;
  std::size_t left = source->size - source->position;
  std::size_t take = static_cast<std::size_t>(count) < left ? static_cast<std::size_t>(count) : left;
  if (take == 0) return 0;
  std::memcpy(out, source->bytes + source->position, take);
  source->position += take;
  return static_cast<tmsize_t>(take);
}

tmsize_t tiff_write(thandle_t, void*, tmsize_t) { return -1; }

toff_t tiff_seek(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  std::uint64_t base = whence == SEEK_CUR ? source->position : whence == SEEK_END ? source->size : 0;
  std::uint64_t target = base + offset;  // offsets wrap for negative moves, as libtiff expects
  if (target > source->size) return static_cast<toff_t>(-1);
  source->position = static_cast<std::size_t>(target);
  return target;
}

int tiff_close(thandle_t) { return 0; }
toff_t tiff_size(thandle_t handle) { return static_cast<TiffSource*>(handle)->size; }
int tiff_map(thandle_t, void**, toff_t*) { return 0; }
void tiff_unmap(thandle_t, void*, toff_t) {}

void silence_libtiff() {
  // libtiff's default handlers print to stderr; failures are reported through our messages.
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

// The most one stored byte can become for the codecs whose limit is known;
// 0 for the others (JPEG, fax, LZMA, ...), which are not judged.
std::uint64_t expansion_limit(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return 1;
    case COMPRESSION_PACKBITS: return 128;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_LZW: return 4096;
    default: return 0;
  }
}

// A file whose strips or tiles are too short for the size it claims is refused
// before its pixel block is made: a few hundred bytes cannot claim gigabytes.
// libtiff may repair a strip length that looks too short into the length the
// image needs, so the lengths count for no more than the file holds.
bool stored_data_can_fill(TIFF* tiff, std::uint64_t file_bytes) {
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  std::uint64_t limit = expansion_limit(compression);
  if (limit == 0) return true;
  std::uint32_t height = 0;
  std::uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  std::uint64_t planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
  std::uint32_t pieces = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
  std::uint64_t needed = TIFFIsTiled(tiff) ? std::uint64_t{pieces} * TIFFTileSize64(tiff)
                                           : TIFFScanlineSize64(tiff) * height * planes;
  std::uint64_t stored = 0;
  for (std::uint32_t i = 0; i < pieces && stored * limit < needed; ++i) {
    int failed = 0;
    std::uint64_t count = TIFFGetStrileByteCountWithErr(tiff, i, &failed);
    if (failed != 0) return false;
    stored += count < UINT32_MAX ? count : UINT32_MAX;
  }
  return std::min(stored, file_bytes) * limit >= needed;
}

// Alpha stored unassociated is declared associated for the reading, so libtiff
// hands it over as stored instead of premultiplying it (and losing precision
// that dividing back cannot restore). Returns whether that was done.
bool read_unassociated_alpha_as_stored(TIFF* tiff) {
  std::uint16_t count = 0;
  std::uint16_t* kinds = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) != 1 || count == 0) return false;
  if (kinds[0] != EXTRASAMPLE_UNASSALPHA) return false;
  std::vector<std::uint16_t> declared(kinds, kinds + count);
  declared[0] = EXTRASAMPLE_ASSOCALPHA;
  return TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, count, declared.data()) == 1;
}

// libtiff hands out packed words (R in the low byte); the rest of the system
// wants bytes R, G, B, A of straight colour, so premultiplied colour is divided back.
void unpack_straight_rgba(PixelBytes& pixels, bool premultiplied) {
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    std::uint32_t word;
    std::memcpy(&word, &pixels[i], 4);
    pixels[i] = static_cast<std::uint8_t>(TIFFGetR(word));
    pixels[i + 1] = static_cast<std::uint8_t>(TIFFGetG(word));
    pixels[i + 2] = static_cast<std::uint8_t>(TIFFGetB(word));
    pixels[i + 3] = static_cast<std::uint8_t>(TIFFGetA(word));
    unsigned alpha = pixels[i + 3];
    if (!premultiplied || alpha == 0 || alpha == 255) continue;
    for (int c = 0; c < 3; ++c) {
      unsigned value = (pixels[i + c] * 255u + alpha / 2) / alpha;
      pixels[i + c] = static_cast<std::uint8_t>(value > 255 ? 255 : value);
    }
  }
}

// libtiff's grey routine for 16-bit samples keeps only their high byte; this
// one rounds to the nearest byte and is otherwise the same: one sample per pixel
// read (any alpha dropped), looked up in the grey map that knows min-is-white.
void put_grey16_rounded(TIFFRGBAImage* image, std::uint32_t* out, std::uint32_t, std::uint32_t,
                        std::uint32_t width, std::uint32_t height, std::int32_t from_skew,
                        std::int32_t to_skew, unsigned char* in) {
  int samples = image->samplesperpixel;
  for (; height > 0; --height) {
    for (std::uint32_t x = width; x > 0; --x) {
      std::uint16_t value;
      std::memcpy(&value, in, 2);
      *out++ = image->BWmap[(value * 255u + 32767u) / 65535u][0];
      in += 2 * samples;
    }
    out += to_skew;
    in += from_skew;
  }
}

// TIFFReadRGBAImageOriented, with the rounding grey routine where it applies.
bool read_rgba_top_down(TIFF* tiff, std::uint32_t width, std::uint32_t height, std::uint32_t* raster) {
  TIFFRGBAImage image;
  char reason[1024] = {};
  if (!TIFFRGBAImageOK(tiff, reason) || !TIFFRGBAImageBegin(&image, tiff, 1, reason)) return false;
  image.req_orientation = ORIENTATION_TOPLEFT;
  bool grey = image.photometric == PHOTOMETRIC_MINISBLACK || image.photometric == PHOTOMETRIC_MINISWHITE;
  if (grey && image.isContig && image.bitspersample == 16 && image.BWmap != nullptr &&
      image.put.contig != nullptr) {
    image.put.contig = put_grey16_rounded;
  }
  bool read = TIFFRGBAImageGet(&image, raster, width, height) == 1;
  TIFFRGBAImageEnd(&image);
  return read;
}

}  // namespace

IoStatus decode_tiff_memory(const std::uint8_t* bytes, std::size_t size, DecodedImage& image) {
  silence_libtiff();
  TiffSource source{bytes, size, 0};
  TIFF* tiff = TIFFClientOpen("image", "rm", &source, tiff_read, tiff_write, tiff_seek, tiff_close,
                              tiff_size, tiff_map, tiff_unmap);
  if (tiff == nullptr) return IoCode::kUnrecognised;
  std::uint32_t width = 0, height = 0;
  IoStatus status = IoCode::kNoSize;
  if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) == 1 &&
      TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) == 1) {
    status = IoCode::kOk;
  }
  if (status.ok()) status = check_image_size(width, height);
  if (status.ok() && !stored_data_can_fill(tiff, size)) status = IoCode::kUnreadablePixels;
  char reason[1024] = {};
  if (status.ok() && !TIFFRGBAImageOK(tiff, reason)) {
    status = IoCode::kCannotConvert;
  }
  bool premultiplied = status.ok() && !read_unassociated_alpha_as_stored(tiff);
  if (status.ok()) status = allocate_pixels(width, height, image);
  if (status.ok()) {
    auto* raster = reinterpret_cast<std::uint32_t*>(image.pixels.data());
    if (!read_rgba_top_down(tiff, width, height, raster)) {
      status = IoCode::kUnreadablePixels;
    } else {
      unpack_straight_rgba(image.pixels, premultiplied);
    }
  }
  TIFFClose(tiff);
  return status;
}
