// The image data of an indexed PNG begun while its rows are being made.
#include <vector>

#include "io/png/filtered_rows.h"
#include "io/png/parallel_deflate.h"
#include "io/png/png_rows.h"
#include "io/png_write.h"

struct EarlyIndexedRows::Begun {
  std::uint32_t depth;
  std::vector<const std::uint8_t*> rows;
  FilteredRows filtered;
  PieceDeflate deflate;

  Begun(const std::uint8_t* indices, std::uint32_t width, std::uint32_t height,
        std::uint32_t palette_depth, CompressionEffort effort)
      : depth(palette_depth),
        rows(height),
        filtered{rows.data(), width, depth, (std::size_t{width} * depth + 7) / 8, height},
        deflate(
            filtered.size(),
            [this](std::size_t begin, std::size_t end, std::uint8_t* dest) {
              filtered.copy(begin, end, dest);
            },
            effort) {
    for (std::uint32_t y = 0; y < height; ++y) rows[y] = indices + std::size_t{y} * width;
  }
};

EarlyIndexedRows::EarlyIndexedRows(std::uint32_t width, std::uint32_t height,
                                   CompressionEffort effort)
    : width_(width), height_(height), effort_(effort) {}

EarlyIndexedRows::~EarlyIndexedRows() = default;

void EarlyIndexedRows::begin(const std::uint8_t* indices, std::uint32_t palette_size) {
  begun_.reset();
  if (indices == nullptr || width_ == 0 || height_ == 0 || palette_size < 1 || palette_size > 256)
    return;
  begun_ = std::make_unique<Begun>(indices, width_, height_, palette_bit_depth(palette_size),
                                   effort_);
}

void EarlyIndexedRows::rows_final(std::uint32_t done) {
  if (begun_) begun_->deflate.input_ready(begun_->filtered.size() / height_ * done);
}

void EarlyIndexedRows::release() {
  if (begun_) begun_->deflate.release();
}

PieceDeflate* EarlyIndexedRows::matching(std::uint32_t width, std::uint32_t height,
                                         std::uint32_t palette_size,
                                         CompressionEffort effort) const {
  if (!begun_ || width != width_ || height != height_ || effort != effort_ ||
      palette_size < 1 || palette_size > 256 || palette_bit_depth(palette_size) != begun_->depth)
    return nullptr;
  return &begun_->deflate;
}
