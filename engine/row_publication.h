#pragma once
// The pipeline's side of FinishedRows: opens the publication once the output
// is laid out and closes it on every way out of the run. Rows are published
// through EngineSettings::publish_rows.
#include "engine/engine_settings.h"
#include "engine/finished_rows.h"
#include "engine/quantized_image.h"

class RowPublication {
 public:
  RowPublication(const EngineSettings& settings, const QuantizedImage& out)
      : listener_(settings.finished_rows) {
    if (listener_) listener_->rows_begin(out.indices.data(), out.palette_size);
  }
  ~RowPublication() {
    if (listener_) listener_->rows_released();
  }
  RowPublication(const RowPublication&) = delete;
  RowPublication& operator=(const RowPublication&) = delete;

 private:
  FinishedRows* listener_;
};
