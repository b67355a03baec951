#pragma once
// Scratch folders and small file builders for the file-format tests.
#include <cstdint>
#include <string>
#include <vector>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::vector<std::string> entries() const;

 private:
  std::string path_;
};

void write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void write_text(const std::string& path, const std::string& text);
std::vector<std::uint8_t> read_bytes(const std::string& path);
std::string read_text(const std::string& path);

// A PNG written through libpng; rows hold packed samples exactly as stored.
struct PngRecipe {
  std::uint32_t width = 1, height = 1;
  int colour_type = 0;  // PNG_COLOR_TYPE_*
  int bit_depth = 8;
  bool interlaced = false;
  int gamma = 0;        // gAMA times 100000, 0 for no chunk
  bool srgb = false;
  std::vector<std::uint8_t> palette;  // RGB triples
  std::vector<std::uint8_t> trns;     // palette alphas, or the 16-bit grey/RGB key
  int filters = 0;                    // PNG_FILTER_* mask; 0 leaves the choice to libpng
  std::size_t chunk_bytes = 0;        // image data chunk length; 0 for libpng's
  std::vector<std::vector<std::uint8_t>> rows;
};
std::vector<std::uint8_t> make_png(const PngRecipe& recipe);

// A baseline JPEG of one flat colour: 1 component (grey), 3 (RGB) or 4 (CMYK as given).
std::vector<std::uint8_t> make_flat_jpeg(std::uint32_t width, std::uint32_t height, int components,
                                         const std::uint8_t* colour);

// A deflate stream made by zlib: window_bits as deflateInit2 takes them
// (negative for raw deflate, 8..15 for a zlib stream).
std::vector<std::uint8_t> zlib_deflate(const std::vector<std::uint8_t>& input, int level, int window_bits,
                                       int strategy);

// Recomputes the CRC of the chunk of the given type after a test changed its bytes.
void fix_chunk_crc(std::vector<std::uint8_t>& png, const char* type);
// Byte offset of the first chunk of the given type (its length field), or 0.
std::size_t find_chunk(const std::vector<std::uint8_t>& png, const char* type);
