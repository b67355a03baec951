#include "engine/colour/contrast_bands.h"

#include <algorithm>
#include <cstring>
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

// Rows first..last of the edge map (closed) and of the noise map (widened
// and blurred along rows).
void run_band(const Layout& l, RowMeasure measure, std::size_t first, std::size_t last,
              double* ws, double* noise_map, double* edge_map, CutHalos& halos) {
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
      out[k] = noise_map + (y + k) * w;
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

// Columns of strip k, all rows: blur down the columns (rows of the noise
// map as run_band left them), narrow, and cap the edge map.
void run_strip(const Layout& l, std::size_t k, double* ws, double* noise_map, double* edge_map,
               const CutHalos& halos) {
  const auto [e0, e1] = l.extent(k);
  const std::size_t c0 = l.strip_start[k], c1 = l.strip_start[k + 1];
  const std::size_t ew = e1 - e0, h = l.h;
  double* window = ws;
  double* sums = window + kWindowRing * ew;
  double* blurred = sums + ew;
  double* narrow_rings = blurred + 4 * ew;
  double* finished = narrow_rings + chain_ring_values(ew, kNarrowSteps);

  // Row r of the strip's columns, copied before anything overwrites it.
  std::size_t gathered = 0;
  auto window_row = [&](std::size_t r) {
    for (; gathered <= r; ++gathered) {
      double* dst = window + (gathered % kWindowRing) * ew;
      if (c0 > e0) std::memcpy(dst, halos.at(k, gathered), kHalo * sizeof(double));
      std::memcpy(dst + (c0 - e0), noise_map + gathered * l.w + c0, (c1 - c0) * sizeof(double));
      if (e1 > c1)
        std::memcpy(dst + (c1 - e0), halos.at(k + 1, gathered) + kHalo, kHalo * sizeof(double));
    }
    return window + (r % kWindowRing) * ew;
  };
  std::size_t made = 0;
  auto blurred_rows = [&](std::size_t y) -> const double* {
    if (!l.blur) return window_row(y);
    for (; made <= y; ++made) {
      if (made == 0) {
        window_row(kBlurRadius - 1);
        const double* first_rows[kBlurRadius];
        for (std::size_t i = 0; i < kBlurRadius; ++i) first_rows[i] = window + i * ew;
        start_column_sums(first_rows, sums, ew);
      }
      const std::size_t enter = std::min(made + kBlurRadius, h - 1);
      const std::size_t leave = made < kBlurRadius ? 0 : made - kBlurRadius;
      const double* entering = window_row(enter);
      step_column_sums(sums, entering, window + (leave % kWindowRing) * ew,
                       blurred + (made & 3) * ew, ew);
    }
    return blurred + (y & 3) * ew;
  };
  CrossChain<decltype(blurred_rows)> narrow(blurred_rows, ew, h, kNarrow, kNarrowSteps,
                                            narrow_rings);
  narrow.start(0);
  for (std::size_t y = 0; y < h; ++y) {
    narrow.make(y, finished);
    double* noise_row = noise_map + y * l.w + c0;
    const double* own = finished + (c0 - e0);
    std::memcpy(noise_row, own, (c1 - c0) * sizeof(double));
    if (edge_map) {
      double* edge_row = edge_map + y * l.w + c0;
      for (std::size_t x = 0; x < c1 - c0; ++x)
        edge_row[x] = own[x] < edge_row[x] ? own[x] : edge_row[x];
    }
  }
}

}  // namespace

void smooth_contrast_maps(tamble::device* dev, std::uint32_t width, std::uint32_t height,
                          RowMeasure measure, double* noise_map, double* edge_map) {
  const Layout l(width, height, edge_map != nullptr);
  const std::size_t slot = std::max(l.band_values(measure.scratch_values), l.strip_values());
  tamble::array<double> workspace = required_array<double>(dev, tamble::thread_count() * slot);
  tamble::array<double> halo_values =
      required_array<double>(dev, (l.strips() - 1) * l.h * 2 * kHalo);
  CutHalos halos(halo_values.data(), l);
  // Tiny images stay on the calling thread.
  const std::size_t serial_below = l.w * l.h < tamble::kSerialBelow ? l.bands + l.strips() + 1 : 2;

  tamble::parallel_dynamic(
      l.bands,
      [&](std::size_t b, unsigned participant) {
        std::size_t first = b * l.band_rows;
        run_band(l, measure, first, std::min(l.h, first + l.band_rows),
                 workspace.data() + participant * slot, noise_map, edge_map, halos);
      },
      serial_below);
  tamble::parallel_dynamic(
      l.strips(),
      [&](std::size_t k, unsigned participant) {
        run_strip(l, k, workspace.data() + participant * slot, noise_map, edge_map, halos);
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
