#pragma once
// The small row filters the contrast maps are smoothed with. Rows have
// length w; neighbours past an edge are the edge pixel itself. Each keeps the
// operations per value, and their order, of the plain whole-image filter.
#include <cstddef>

// dst = largest (smallest) of each pixel of `row` and its four cross
// neighbours. dst must not overlap the inputs.
void cross_row(bool is_max, const double* above, const double* row, const double* below,
               std::size_t w, double* dst);

// Radius of the box blur; the mean spans 2 * kBlurRadius values.
inline constexpr std::size_t kBlurRadius = 3;
// Rows blur_rows takes at once: independent running sums overlap in the pipeline.
inline constexpr std::size_t kBlurBatch = 8;

// Running mean along each of `count` (at most kBlurBatch) rows of length n,
// n > kBlurRadius: the window at x covers x-r+1 .. x+r with both ends
// clamped, the sum starting at r * row[0] + row[0] + ... + row[r-1].
void blur_rows(const double* const* in, double* const* out, std::size_t count, std::size_t n);

// The same running mean down columns, one row at a time: start_column_sums
// sets sum from the first kBlurRadius rows; step_column_sums adds the row
// entering, subtracts the one leaving and writes the means of one row.
void start_column_sums(const double* const* first_rows, double* sum, std::size_t n);
void step_column_sums(double* sum, const double* entering, const double* leaving, double* out,
                      std::size_t n);

// Up to four cross filters in a row, streamed: make(y) writes row y of the
// last step, making the rows of earlier steps it needs on demand into rings
// of four rows. Rows must be asked for in rising order from start(first).
// source(y) gives row y of the input; it is asked for rows from
// first - steps on and at most three rows behind the newest it gave.
// The ring memory a chain of `steps` (1..4) over rows of length w needs.
constexpr std::size_t chain_ring_values(std::size_t w, unsigned steps) {
  return (steps - 1) * 4 * w;
}

template <class Source>
class CrossChain {
 public:
  static constexpr unsigned kMaxSteps = 4;

  // rings holds chain_ring_values(w, steps) values.
  CrossChain(Source source, std::size_t w, std::size_t h, const bool* is_max, unsigned steps,
             double* rings)
      : source_(source), w_(w), h_(h), is_max_(is_max), steps_(steps), rings_(rings) {}

  void start(std::size_t first) {
    for (unsigned s = 1; s < steps_; ++s) {
      std::size_t halo = steps_ - s;
      made_[s] = first > halo ? first - halo : 0;  // next row to make
    }
  }

  void make(std::size_t y, double* dst) { make_row(steps_, y, dst); }

 private:
  double* ring_row(unsigned step, std::size_t y) {
    return rings_ + ((step - 1) * 4 + (y & 3)) * w_;
  }

  const double* row_of(unsigned step, std::size_t y) {
    if (step == 0) return source_(y);
    while (made_[step] <= y) {
      std::size_t r = made_[step]++;
      make_row(step, r, ring_row(step, r));
    }
    return ring_row(step, y);
  }

  // Row y of step `step` (1-based) from rows of the step before.
  void make_row(unsigned step, std::size_t y, double* dst) {
    const double* below = row_of(step - 1, y + 1 < h_ ? y + 1 : y);  // makes up to it first
    const double* row = row_of(step - 1, y);
    const double* above = row_of(step - 1, y > 0 ? y - 1 : y);
    cross_row(is_max_[step - 1], above, row, below, w_, dst);
  }

  Source source_;
  std::size_t w_, h_;
  const bool* is_max_;
  unsigned steps_;
  double* rings_;
  std::size_t made_[kMaxSteps] = {};
};
