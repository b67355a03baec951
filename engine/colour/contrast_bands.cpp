#include "engine/colour/contrast_bands.h"

#include <algorithm>
#include <atomic>
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

// The filters' row chains reach this far below the row they make.
constexpr std::size_t kLookahead = kNarrowSteps + kBlurRadius + 1;

struct Layout {
  std::size_t w, h;
  bool blur, edges;
  bool tiny;  // stays on the calling thread
  std::size_t threads;
  std::size_t band_rows, bands;
  std::vector<std::size_t> strip_start;  // strips + 1 column bounds
  std::size_t widest_strip = 0;          // with its halo columns

  Layout(std::size_t width, std::size_t height, bool with_edges)
      : w(width), h(height), blur(width >= 7 && height >= 7), edges(with_edges),
        tiny(width * height < tamble::kSerialBelow), threads(tamble::thread_count()) {
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
  std::size_t halo_values() const { return (strips() - 1) * h * 2 * kHalo; }
  // Workspaces for `tasks` pieces: no more than can run at once. Images of
  // few, very long rows have few bands, and each band's rows are long.
  std::size_t slots(std::size_t tasks) const { return tiny ? 1 : std::min(threads, tasks); }
};

// body(task, slot) for every task, at most `slots` at a time, each slot on
// one participant at a time.
template <class Body>
void run_in_slots(std::size_t tasks, std::size_t slots, Body body) {
  std::atomic<std::size_t> next{0};
  tamble::parallel_dynamic(
      slots,
      [&](std::size_t slot, unsigned) {
        for (std::size_t t; (t = next.fetch_add(1, std::memory_order_relaxed)) < tasks;) body(t, slot);
      });
}

// Whole maps at once: the bands, then the strips, in one workspace.
struct WholeWay {
  std::size_t band_slot, band_slots, strip_slot, strip_slots;
  WholeWay(const Layout& l, std::size_t scratch_values)
      : band_slot(l.band_values(scratch_values)), band_slots(l.slots(l.bands)),
        strip_slot(l.strip_values()), strip_slots(l.slots(l.strips())) {}
  std::size_t workspace_values() const { return std::max(band_slots * band_slot, strip_slots * strip_slot); }
  std::size_t values(const Layout& l) const { return workspace_values() + l.halo_values(); }
};

// The noise map a chunk of rows at a time: a ring of input rows the strips
// may still read, a chunk of finished rows, and each strip's state.
struct Chunks {
  std::size_t rows, ring_rows, band_slots;
  Chunks(const Layout& l, std::size_t chunk_rows) {
    if (chunk_rows == 0) chunk_rows = std::max(kMinBandRows, kChunkValues / l.w);
    // A ring of every row never wraps.
    rows = std::min(chunk_rows, l.h);
    ring_rows = std::min(rows + kLookahead, l.h);
    band_slots = l.slots(std::clamp<std::size_t>(ring_rows / kMinBandRows, 1, l.threads));
  }
  std::size_t values(const Layout& l, std::size_t scratch_values) const {
    return band_slots * l.band_values(scratch_values) + l.strips() * l.strip_values() +
           (ring_rows + rows) * l.w + l.halo_values();
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
  const WholeWay way(l, measure.scratch_values);
  tamble::array<double> workspace = required_array<double>(dev, way.workspace_values());
  tamble::array<double> halo_values = required_array<double>(dev, l.halo_values());
  CutHalos halos(halo_values.data(), l);
  const RowStore whole{noise_map, l.w, 0};

  run_in_slots(l.bands, way.band_slots, [&](std::size_t b, std::size_t s) {
    std::size_t first = b * l.band_rows;
    run_band(l, measure, first, std::min(l.h, first + l.band_rows), workspace.data() + s * way.band_slot,
             whole, edge_map, halos);
  });
  run_in_slots(l.strips(), way.strip_slots, [&](std::size_t k, std::size_t s) {
    StripPass strip(l, k, workspace.data() + s * way.strip_slot, whole, halos);
    strip.make(0, l.h, whole, edge_map);
  });
}

void close_edges_over(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                      RowMeasure measure, double* map) {
  const Layout l(width, height, true);
  const std::size_t slot =
      (kRawRing + chain_ring_values(1, kCloseSteps) + 2) * l.w + measure.scratch_values;
  tamble::array<double> workspace = required_array<double>(dev, l.slots(l.bands) * slot);
  run_in_slots(l.bands, l.slots(l.bands), [&](std::size_t b, std::size_t s) {
    std::size_t first = b * l.band_rows;
    run_edge_band(l.w, l.h, measure, first, std::min(l.h, first + l.band_rows), workspace.data() + s * slot,
                  map);
  });
}

void smooth_noise_in_chunks(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                            RowMeasure measure, const NoiseRowsTaker& take, double* edge_map,
                            std::size_t chunk_rows) {
  const Layout l(width, height, edge_map != nullptr);
  const Chunks c(l, chunk_rows);
  // A few very long rows: each strip's state outweighs the map, so the map
  // is made whole and taken at once.
  if (chunk_rows == 0 &&
      WholeWay(l, measure.scratch_values).values(l) + l.h * l.w < c.values(l, measure.scratch_values)) {
    tamble::array<double> map = required_array<double>(dev, l.h * l.w);
    smooth_contrast_maps(dev, width, height, measure, map.data(), edge_map);
    take(map.data(), 0, l.h);
    return;
  }
  const std::size_t band_slot = l.band_values(measure.scratch_values);
  const std::size_t strip_slot = l.strip_values();
  tamble::array<double> workspace = required_array<double>(
      dev, c.band_slots * band_slot + l.strips() * strip_slot + (c.ring_rows + c.rows) * l.w);
  tamble::array<double> halo_values = required_array<double>(dev, l.halo_values());
  CutHalos halos(halo_values.data(), l);
  double* const strip_ws = workspace.data() + c.band_slots * band_slot;
  const RowStore input{strip_ws + l.strips() * strip_slot, l.w, c.ring_rows};
  const RowStore chunk{input.base + c.ring_rows * l.w, l.w, c.rows};
  std::vector<std::unique_ptr<StripPass>> strips(l.strips());
  for (std::size_t k = 0; k < strips.size(); ++k)
    strips[k] = std::make_unique<StripPass>(l, k, strip_ws + k * strip_slot, input, halos);

  std::size_t measured = 0;  // input rows made so far
  for (std::size_t first = 0; first < l.h; first += c.rows) {
    const std::size_t last = std::min(l.h, first + c.rows);
    // Chunk rows are multiples of c.rows apart, so the chunk store's row
    // `first` is its first.
    const std::size_t wanted = std::min(l.h, last + kLookahead);
    const std::size_t rows = wanted - measured;
    const std::size_t bands = std::clamp<std::size_t>(rows / kMinBandRows, 1, c.band_slots);
    const std::size_t from = measured;
    run_in_slots(bands, bands, [&](std::size_t b, std::size_t s) {
      run_band(l, measure, from + rows * b / bands, from + rows * (b + 1) / bands,
               workspace.data() + s * band_slot, input, edge_map, halos);
    });
    measured = wanted;
    run_in_slots(strips.size(), l.slots(strips.size()),
                 [&](std::size_t k, std::size_t) { strips[k]->make(first, last, chunk, edge_map); });
    take(chunk.row(first), first, last);
  }
}

std::size_t smoothing_working_values(std::uint32_t width, std::uint32_t height, std::size_t scratch_values,
                                     bool whole_maps) {
  if (width <= 3 || height <= 3) return 0;
  const Layout l(width, height, true);
  const std::size_t whole = WholeWay(l, scratch_values).values(l);
  if (whole_maps) return whole;
  return std::min(whole + l.h * l.w, Chunks(l, 0).values(l, scratch_values));
}
