#include "tests/io/io_test_support.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/support/scratch_path.h"

ScratchFolder::ScratchFolder() : path_(make_scratch_folder("bq-io-test-")) {
  if (path_.empty()) throw std::runtime_error("no scratch folder");
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::entries() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_text(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {
void append_to_vector(png_structp png, png_bytep data, std::size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void no_flush(png_structp) {}
}  // namespace

std::vector<std::uint8_t> make_png(const PngRecipe& recipe) {
  std::vector<std::uint8_t> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng could not write the test image");
  }
  png_set_write_fn(png, &bytes, append_to_vector, no_flush);
  png_set_IHDR(png, info, recipe.width, recipe.height, recipe.bit_depth, recipe.colour_type,
               recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  if (recipe.filters != 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, recipe.filters);
  if (recipe.chunk_bytes != 0) png_set_compression_buffer_size(png, recipe.chunk_bytes);
  if (recipe.gamma > 0) png_set_gAMA_fixed(png, info, recipe.gamma);
  if (recipe.srgb) png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  std::vector<png_color> colours;
  for (std::size_t i = 0; i + 2 < recipe.palette.size(); i += 3) {
    colours.push_back({recipe.palette[i], recipe.palette[i + 1], recipe.palette[i + 2]});
  }
  if (!colours.empty()) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
  if (!recipe.trns.empty()) {
    if (recipe.colour_type == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, recipe.trns.data(), static_cast<int>(recipe.trns.size()), nullptr);
    } else {
      png_color_16 key{};
      key.gray = key.red = static_cast<png_uint_16>(recipe.trns[0] << 8 | recipe.trns[1]);
      if (recipe.trns.size() >= 6) {
        key.green = static_cast<png_uint_16>(recipe.trns[2] << 8 | recipe.trns[3]);
        key.blue = static_cast<png_uint_16>(recipe.trns[4] << 8 | recipe.trns[5]);
      }
      png_set_tRNS(png, info, nullptr, 0, &key);
    }
  }
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& row : recipe.rows) rows.push_back(const_cast<png_bytep>(row.data()));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

std::size_t find_chunk(const std::vector<std::uint8_t>& png, const char* type) {
  std::size_t position = 8;
  while (position + 12 <= png.size()) {
    std::uint32_t length = static_cast<std::uint32_t>(png[position] << 24 | png[position + 1] << 16 |
                                                      png[position + 2] << 8 | png[position + 3]);
    if (std::memcmp(&png[position + 4], type, 4) == 0) return position;
    position += 12 + std::size_t{length};
  }
  return 0;
}

void fix_chunk_crc(std::vector<std::uint8_t>& png, const char* type) {
  std::size_t position = find_chunk(png, type);
  std::uint32_t length = static_cast<std::uint32_t>(png[position] << 24 | png[position + 1] << 16 |
                                                    png[position + 2] << 8 | png[position + 3]);
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = position + 4; i < position + 8 + length; ++i) {
    crc ^= png[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  crc ^= 0xffffffffu;
  std::size_t at = position + 8 + length;
  png[at] = static_cast<std::uint8_t>(crc >> 24);
  png[at + 1] = static_cast<std::uint8_t>(crc >> 16);
  png[at + 2] = static_cast<std::uint8_t>(crc >> 8);
  png[at + 3] = static_cast<std::uint8_t>(crc);
}

std::vector<std::uint8_t> zlib_deflate(const std::vector<std::uint8_t>& input, int level, int window_bits,
                                       int strategy) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, window_bits, 8, strategy);
  std::vector<std::uint8_t> out(deflateBound(&z, input.size()));
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(input.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}
