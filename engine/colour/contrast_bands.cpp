#include "engine/colour/contrast_bands.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/colour/contrast_filters.h"
#include "engine/required_array.h"
#include "tamble/algorithms.h"

namespace {

// Widen the edges and shrink them back, so slivers between edges count as
// edges. Widen flat areas, blur, and narrow them again past where they started.
const bool kCloseEdges[] = {false, true};
const bool kWiden[] = {true, true};
const bool kNarrow[] = {true, false, false, false};
constexpr unsigned kCloseSteps = 2, kWidenSteps = 2, kNarrowSteps = 4;

// Raw rows are read by both chains of a band, one up to four rows behind the other.
constexpr std::size_t kRawRing = kWidenSteps + 3;
// Rows of the column blur's window (2r + 1), rounded up to a power of two.
constexpr std::size_t kWindowRing = 8;
static_assert(kWindowRing > 2 * kBlurRadius);
// Each narrowing step spoils one more column at a strip's cut edge, so a
// strip reads this many columns of each neighbour.
constexpr std::size_t kHalo = kNarrowSteps;
constexpr std::size_t kMinStripWidth = 64;
constexpr std::size_t kMinBandRows = 16;
// Pieces per thread, so a busy core does not hold the others up.
constexpr std::size_t kPiecesPerThread = 8;
// Noise values per chunk when the map is made in chunks: 2 MB, near the cache.
constexpr std::size_t kChunkValues = std::size_t{1} << 18;

struct Layout {
  std::size_t w, h;
  bool blur, edges;
  std::size_t band_rows, bands;
  std::vector<std::size_t> strip_start;  // strips + 1 column bounds
  std::size_t widest_strip = 0;          // with its halo columns

  Layout(std::size_t width, std::size_t height, bool with_edges)
      : w(width), h(height), blur(width >= 7 && height >= 7), edges(with_edges) {
    const std::size_t threads = tamble::thread_count();
    band_rows = std::max(kMinBandRows, (h + kPiecesPerThread * threads - 1) /
                                           (kPiecesPerThread * threads));
    bands = (h + band_rows - 1) / band_rows;
    std::size_t strips = std::clamp<std::size_t>(w / kMinStripWidth, 1, kPiecesPerThread * threads);
    for (std::size_t k = 0; k <= strips; ++k) strip_start.push_back(k * w / strips);
    for (std::size_t k = 0; k < strips; ++k)
      widest_strip = std::max(widest_strip, extent(k).second - extent(k).first);
  }
  std::size_t strips() const { return strip_start.size() - 1; }
  // Columns strip k computes: its own and the halo from each neighbour.
  std::pair<std::size_t, std::size_t> extent(std::size_t k) const {
    return {k > 0 ? strip_start[k] - kHalo : 0, k + 1 < strips() ? strip_start[k + 1] + kHalo : w};
  }
  std::size_t band_values(std::size_t measure_values) const {
    std::size_t rows = kRawRing + chain_ring_values(1, kWidenSteps);
    if (edges) rows += kRawRing + chain_ring_values(1, kCloseSteps);
    if (blur) rows += kBlurBatch;
    return rows * w + measure_values;
  }
  std::size_t strip_values() const {
    return (kWindowRing + 1 + 4 + chain_ring_values(1, kNarrowSteps) + 1) *
           widest_strip;
  }
};

// Each row's values just past every strip cut, kept before the strips
// overwrite them: the strip on either side reads the other's side.
class CutHalos {
 public:
  explicit CutHalos(double* values, const Layout& layout) : v_(values), l_(layout) {}
  void save(const double* row, std::size_t y) {
    for (std::size_t b = 1; b < l_.strips(); ++b)
      std::memcpy(at(b, y), row + l_.strip_start[b] - kHalo, 2 * kHalo * sizeof(double));
  }
  // Row y of columns [cut - kHalo, cut + kHalo) at strip cut b.
  const double* at(std::size_t b, std::size_t y) const { return v_ + ((b - 1) * l_.h + y) * 2 * kHalo; }
  double* at(std::size_t b, std::size_t y) { return v_ + ((b - 1) * l_.h + y) * 2 * kHalo; }

 private:
  double* v_;
  const Layout& l_;
};

// Where rows of the noise map live: the whole map (rows 0), or a ring of
// `rows` rows that row y shares with y + rows.
struct RowStore {
  double* base;
  std::size_t w, rows;
  double* row(std::size_t y) const { return base + (rows ? y % rows : y) * w; }
};

// Rows first..last of the edge map (closed) and of the noise map (widened
// and blurred along rows).
void run_band(const Layout& l, RowMeasure measure, std::size_t first, std::size_t last,
              double* ws, RowStore noise_rows_out, double* edge_map, CutHalos& halos) {
  const std::size_t w = l.w;
  double* raw_noise = ws;
  double* widen_rings = raw_noise + kRawRing * w;
  double* batch = widen_rings + chain_ring_values(w, kWidenSteps);
  double* raw_edges = l.edges ? batch + (l.blur ? kBlurBatch * w : 0) : nullptr;
  double* close_rings = l.edges ? raw_edges + kRawRing * w : nullptr;
  double* measure_scratch = ws + l.band_values(0);

  const std::size_t first_measured = first > kWidenSteps ? first - kWidenSteps : 0;
  std::size_t measured = first_measured;
  auto advance = [&](std::size_t y) {
    for (; measured <= y; ++measured)
      measure.fn(measure.ctx, measured, measured == first_measured, measure_scratch,
                 raw_noise + (measured % kRawRing) * w,
                 raw_edges ? raw_edges + (measured % kRawRing) * w : nullptr);
  };
  auto noise_rows = [&](std::size_t y) -> const double* {
    advance(y);
    return raw_noise + (y % kRawRing) * w;
  };
  auto edge_rows = [&](std::size_t y) -> const double* {
    advance(y);
    return raw_edges + (y % kRawRing) * w;
  };
  CrossChain<decltype(noise_rows)> widen(noise_rows, w, l.h, kWiden, kWidenSteps, widen_rings);
  CrossChain<decltype(edge_rows)> close(edge_rows, w, l.h, kCloseEdges, kCloseSteps, close_rings);
  widen.start(first);
  close.start(first);

  for (std::size_t y = first; y < last; y += kBlurBatch) {
    const std::size_t count = std::min(kBlurBatch, last - y);
    double* in[kBlurBatch];
    double* out[kBlurBatch];
    for (std::size_t k = 0; k < count; ++k) {
      if (l.edges) close.make(y + k, edge_map + (y + k) * w);
      out[k] = noise_rows_out.row(y + k);
      in[k] = l.blur ? batch + k * w : out[k];
      widen.make(y + k, in[k]);
    }
    if (l.blur) blur_rows(in, out, count, w);
    for (std::size_t k = 0; k < count; ++k) halos.save(out[k], y + k);
  }
}

// Rows first..last of the closed edges, each value kept only where it is
// below the finished noise value already in `map`.
void run_edge_band(std::size_t w, std::size_t h, RowMeasure measure, std::size_t first,
                   std::size_t last, double* ws, double* map) {
  double* raw_edges = ws;
  double* close_rings = raw_edges + kRawRing * w;
  double* closed = close_rings + chain_ring_values(w, kCloseSteps);
  double* raw_noise = closed + w;  // measured alongside, not needed
  double* measure_scratch = raw_noise + w;

  const std::size_t first_measured = first > kCloseSteps ? first - kCloseSteps : 0;
  std::size_t measured = first_measured;
  auto edge_rows = [&](std::size_t y) -> const double* {
    for (; measured <= y; ++measured)
      measure.fn(measure.ctx, measured, measured == first_measured, measure_scratch, raw_noise,
                 raw_edges + (measured % kRawRing) * w);
    return raw_edges + (y % kRawRing) * w;
  };
  CrossChain<decltype(edge_rows)> close(edge_rows, w, h, kCloseEdges, kCloseSteps, close_rings);
  close.start(first);
  for (std::size_t y = first; y < last; ++y) {
    close.make(y, closed);
    double* row = map + y * w;
    for (std::size_t x = 0; x < w; ++x) row[x] = row[x] < closed[x] ? row[x] : closed[x];
  }
}

// The columns of strip k, made a run of rows at a time going down: blur
// down the columns (rows of the noise map as run_band left them), narrow,
// and cap the edge map. A row of the input is copied before anything may
// overwrite it, so the output may go to the input's own rows.
class StripPass {
 public:
  StripPass(const Layout& l, std::size_t k, double* ws, RowStore input, const CutHalos& halos)
      : l_(l), k_(k), e0_(l.extent(k).first), c0_(l.strip_start[k]), c1_(l.strip_start[k + 1]),
        ew_(l.extent(k).second - e0_), input_(input), halos_(halos),
        window_(ws), sums_(window_ + kWindowRing * ew_), blurred_(sums_ + ew_),
        finished_(blurred_ + 4 * ew_ + chain_ring_values(ew_, kNarrowSteps)),
        narrow_(BlurredRows{this}, ew_, l.h, kNarrow, kNarrowSteps, blurred_ + 4 * ew_) {
    narrow_.start(0);
  }
  StripPass(const StripPass&) = delete;
  StripPass& operator=(const StripPass&) = delete;

  // Rows [first, last), the next ones in order, into `out`'s rows.
  void make(std::size_t first, std::size_t last, RowStore out, double* edge_map) {
    for (std::size_t y = first; y < last; ++y) {
      narrow_.make(y, finished_);
      double* noise_row = out.row(y) + c0_;
      const double* own = finished_ + (c0_ - e0_);
      std::memcpy(noise_row, own, (c1_ - c0_) * sizeof(double));
      if (edge_map) {
        double* edge_row = edge_map + y * l_.w + c0_;
        for (std::size_t x = 0; x < c1_ - c0_; ++x)
          edge_row[x] = own[x] < edge_row[x] ? own[x] : edge_row[x];
      }
    }
  }

 private:
  struct BlurredRows {
    StripPass* pass;
    const double* operator()(std::size_t y) const { return pass->blurred_row(y); }
  };

  // Row r of the strip's columns, copied before anything overwrites it.
  const double* window_row(std::size_t r) {
    for (; gathered_ <= r; ++gathered_) {
      double* dst = window_ + (gathered_ % kWindowRing) * ew_;
      if (c0_ > e0_) std::memcpy(dst, halos_.at(k_, gathered_), kHalo * sizeof(double));
      std::memcpy(dst + (c0_ - e0_), input_.row(gathered_) + c0_, (c1_ - c0_) * sizeof(double));
      if (e0_ + ew_ > c1_)
        std::memcpy(dst + (c1_ - e0_), halos_.at(k_ + 1, gathered_) + kHalo, kHalo * sizeof(double));
    }
    return window_ + (r % kWindowRing) * ew_;
  }

  const double* blurred_row(std::size_t y) {
    if (!l_.blur) return window_row(y);
    for (; made_ <= y; ++made_) {
      if (made_ == 0) {
        window_row(kBlurRadius - 1);
        const double* first_rows[kBlurRadius];
        for (std::size_t i = 0; i < kBlurRadius; ++i) first_rows[i] = window_ + i * ew_;
        start_column_sums(first_rows, sums_, ew_);
      }
      const std::size_t enter = std::min(made_ + kBlurRadius, l_.h - 1);
      const std::size_t leave = made_ < kBlurRadius ? 0 : made_ - kBlurRadius;
      const double* entering = window_row(enter);
      step_column_sums(sums_, entering, window_ + (leave % kWindowRing) * ew_,
                       blurred_ + (made_ & 3) * ew_, ew_);
    }
    return blurred_ + (y & 3) * ew_;
  }

  const Layout& l_;
  const std::size_t k_, e0_, c0_, c1_, ew_;
  const RowStore input_;
  const CutHalos& halos_;
  double* const window_;
  double* const sums_;
  double* const blurred_;
  double* const finished_;
  std::size_t gathered_ = 0, made_ = 0;
  CrossChain<BlurredRows> narrow_;
};

}  // namespace

void smooth_contrast_maps(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                          RowMeasure measure, double* noise_map, double* edge_map) {
  const Layout l(width, height, edge_map != nullptr);
  const std::size_t slot = std::max(l.band_values(measure.scratch_values), l.strip_values());
  tamble::array<double> workspace = required_array<double>(dev, tamble::thread_count() * slot);
  tamble::array<double> halo_values =
      required_array<double>(dev, (l.strips() - 1) * l.h * 2 * kHalo);
  CutHalos halos(halo_values.data(), l);
  const RowStore whole{noise_map, l.w, 0};
  // Tiny images stay on the calling thread.
  const std::size_t serial_below = l.w * l.h < tamble::kSerialBelow ? l.bands + l.strips() + 1 : 2;

  tamble::parallel_dynamic(
      l.bands,
      [&](std::size_t b, unsigned participant) {
        std::size_t first = b * l.band_rows;
        run_band(l, measure, first, std::min(l.h, first + l.band_rows),
                 workspace.data() + participant * slot, whole, edge_map, halos);
      },
      serial_below);
  tamble::parallel_dynamic(
      l.strips(),
      [&](std::size_t k, unsigned participant) {
        StripPass strip(l, k, workspace.data() + participant * slot, whole, halos);
        strip.make(0, l.h, whole, edge_map);
      },
      serial_below);
}

void close_edges_over(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                      RowMeasure measure, double* map) {
  const Layout l(width, height, true);
  const std::size_t slot =
      (kRawRing + chain_ring_values(1, kCloseSteps) + 2) * l.w + measure.scratch_values;
  tamble::array<double> workspace = required_array<double>(dev, tamble::thread_count() * slot);
  const std::size_t serial_below = l.w * l.h < tamble::kSerialBelow ? l.bands + 1 : 2;
  tamble::parallel_dynamic(
      l.bands,
      [&](std::size_t b, unsigned participant) {
        std::size_t first = b * l.band_rows;
        run_edge_band(l.w, l.h, measure, first, std::min(l.h, first + l.band_rows),
                      workspace.data() + participant * slot, map);
      },
      serial_below);
}

void smooth_noise_in_chunks(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                            RowMeasure measure, const NoiseRowsTaker& take, double* edge_map,
                            std::size_t chunk_rows) {
  const Layout l(width, height, edge_map != nullptr);
  // The strips make row y from input rows up to y + kNarrowSteps + kBlurRadius.
  constexpr std::size_t kLookahead = kNarrowSteps + kBlurRadius + 1;
  if (chunk_rows == 0) chunk_rows = std::max(kMinBandRows, kChunkValues / l.w);
  // A few very long rows: the ring and the chunk together stay within twice
  // the whole map (a ring of every row never wraps).
  chunk_rows = std::min(chunk_rows, l.h);
  const std::size_t threads = tamble::thread_count();
  const std::size_t band_slot = l.band_values(measure.scratch_values);
  const std::size_t strip_slot = l.strip_values();
  // Input rows a chunk's strips may still read: from the chunk's first row on.
  const std::size_t ring_rows = std::min(chunk_rows + kLookahead, l.h);
  tamble::array<double> workspace = required_array<double>(
      dev, threads * band_slot + l.strips() * strip_slot + (ring_rows + chunk_rows) * l.w);
  tamble::array<double> halo_values =
      required_array<double>(dev, (l.strips() - 1) * l.h * 2 * kHalo);
  CutHalos halos(halo_values.data(), l);
  double* const strip_ws = workspace.data() + threads * band_slot;
  const RowStore input{strip_ws + l.strips() * strip_slot, l.w, ring_rows};
  const RowStore chunk{input.base + ring_rows * l.w, l.w, chunk_rows};
  std::vector<std::unique_ptr<StripPass>> strips(l.strips());
  for (std::size_t k = 0; k < strips.size(); ++k)
    strips[k] = std::make_unique<StripPass>(l, k, strip_ws + k * strip_slot, input, halos);
  const bool tiny = l.w * l.h < tamble::kSerialBelow;

  std::size_t measured = 0;  // input rows made so far
  for (std::size_t first = 0; first < l.h; first += chunk_rows) {
    const std::size_t last = std::min(l.h, first + chunk_rows);
    // Chunk rows are multiples of chunk_rows apart, so the chunk store's row
    // `first` is its first.
    const std::size_t wanted = std::min(l.h, last + kLookahead);
    const std::size_t rows = wanted - measured;
    const std::size_t bands = std::clamp<std::size_t>(rows / kMinBandRows, 1, threads);
    const std::size_t from = measured;
    tamble::parallel_dynamic(
        bands,
        [&](std::size_t b, unsigned participant) {
          run_band(l, measure, from + rows * b / bands, from + rows * (b + 1) / bands,
                   workspace.data() + participant * band_slot, input, edge_map, halos);
        },
        tiny ? bands + 1 : 2);
    measured = wanted;
    tamble::parallel_dynamic(
        strips.size(), [&](std::size_t k, unsigned) { strips[k]->make(first, last, chunk, edge_map); },
        tiny ? strips.size() + 1 : 2);
    take(chunk.row(first), first, last);
  }
}
