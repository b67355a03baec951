#pragma once
// Hands the engine's finished rows to the PNG encoder, so that the image data
// is compressed on the idle core while later rows are still being mapped.
#include "engine/finished_rows.h"
#include "io/png_write.h"

class EarlyEncoding final : public FinishedRows {
 public:
  explicit EarlyEncoding(EarlyIndexedRows& rows) : rows_(rows) {}
  void rows_begin(const std::uint8_t* indices, std::uint32_t palette_size) override {
    rows_.begin(indices, palette_size);
  }
  void rows_final(std::uint32_t done) override { rows_.rows_final(done); }
  void rows_released() override { rows_.release(); }

 private:
  EarlyIndexedRows& rows_;
};
