#pragma once
// Told during a run which index rows are final, so that a caller can start
// on them (encode them, say) while later rows are still being mapped. Every
// call comes from the thread that called the engine, in this order: begin
// once the output is laid out, rows_final as rows become final (row order,
// possibly repeated), released as the run leaves, on every way out.
#include <cstdint>

class FinishedRows {
 public:
  // `indices`: width x height bytes, row after row, of palette_size entries.
  virtual void rows_begin(const std::uint8_t* indices, std::uint32_t palette_size) = 0;
  // Rows [0, done) hold their final indices.
  virtual void rows_final(std::uint32_t done) = 0;
  // After this returns nothing may read `indices`.
  virtual void rows_released() = 0;

 protected:
  ~FinishedRows() = default;
};
