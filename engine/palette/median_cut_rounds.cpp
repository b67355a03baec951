// Parallel rounds: every box without a split plan is ordered fully by its
// split key and split ahead of time; the serial choice of boxes is then
// replayed over the plans.
//
// A job's reductions use the job's chunks of 4096 items as blocks (a half box
// takes the part of each chunk that falls inside it), combined in chunk
// order. A job run whole on one worker and a job cut across the pool do the
// same arithmetic, so the result depends neither on the thread count nor on
// which of the two ways a round takes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/palette/median_cut_run.h"

namespace {

constexpr std::uint32_t kWholeJobBelow = 8192;  // largest box under this: one worker per job
constexpr std::uint32_t kChunk = 4096;
constexpr std::uint32_t kComparisonSortMax = 32;

struct Plan {
  bool ready = false;
  Box lower, upper;
};

struct Job {
  std::uint32_t slot;
  std::uint32_t first, count;
  std::array<int, 4> order;
  std::uint32_t first_chunk = 0, chunks = 0;  // its chunks in the round's chunk list
  int current = 0;                            // key buffer holding the latest order
  std::uint32_t key_or = 0, key_and = ~0u;
  // Keys already ascending (a box that kept its parent's channel order): the
  // sort would change nothing and the items are weighed where they are.
  bool presorted = false;
  WorkColor median{};
  std::uint32_t split_at = 0;     // items in the lower box
  std::uint32_t split_chunk = 0;  // job-relative chunk holding the first upper item
  AverageSums split_part[2];      // that chunk's lower and upper parts
  WorkColor colour[2]{};
  double lower_sum = 0.0;
};

struct Chunk {
  std::uint32_t job;
  std::uint32_t lo, hi;  // positions within the job
  std::uint32_t all_or = 0, all_and = ~0u;
  bool ascending = true;
  std::uint32_t first_key = 0, last_key = 0;
  double weight_sum = 0.0;
  AverageSums average;
  StatSums stats[2];  // lower-box and upper-box parts
};

class Rounds {
 public:
  explicit Rounds(CutRun& run) : run_(run) {}

  void run() {
    std::vector<Plan> plans(run_.boxes.size());
    const std::uint32_t target = static_cast<std::uint32_t>(run_.boxes.size());
    while (run_.used < target) {
      int chosen = choose_box(run_.boxes, run_.used, run_.rule);
      if (chosen < 0) return;
      auto slot = static_cast<std::uint32_t>(chosen);
      if (!plans[slot].ready) {
        if (!plan_round(plans)) return;
        continue;
      }
      run_.boxes[slot] = plans[slot].lower;
      run_.boxes[run_.used] = plans[slot].upper;
      plans[slot].ready = false;
      plans[run_.used].ready = false;
      ++run_.used;
      if (error_target_met(run_.boxes, run_.used, run_.error_limit)) return;
    }
  }

 private:
  // Plans every box in use that can be split and has none; false when none can.
  bool plan_round(std::vector<Plan>& plans) {
    jobs_.clear();
    chunks_.clear();
    std::uint32_t largest = 0;
    std::size_t total = 0;
    for (std::uint32_t s = 0; s < run_.used; ++s) {
      const Box& box = run_.boxes[s];
      if (box.count <= 1 || plans[s].ready) continue;
      Job job;
      job.slot = s;
      job.first = box.first;
      job.count = box.count;
      job.order = channel_order(box);
      job.first_chunk = static_cast<std::uint32_t>(chunks_.size());
      for (std::uint32_t lo = 0; lo < box.count; lo += kChunk) {
        Chunk c{};
        c.job = static_cast<std::uint32_t>(jobs_.size());
        c.lo = lo;
        c.hi = std::min(box.count, lo + kChunk);
        chunks_.push_back(c);
      }
      job.chunks = static_cast<std::uint32_t>(chunks_.size()) - job.first_chunk;
      jobs_.push_back(job);
      largest = std::max(largest, box.count);
      total += box.count;
    }
    if (jobs_.empty()) return false;
    if (!ordered_) {
      std::size_t n = run_.item_count;
      for (int b = 0; b < 2; ++b) {
        keys_[b].reset(new std::uint32_t[n]);
        pos_[b].reset(new std::uint32_t[n]);
      }
      ordered_.reset(new HistogramItem[n]);
    }

    if (largest < kWholeJobBelow) {
      run_tasks(jobs_.size(), total, [&](std::size_t j) { whole_job(jobs_[j]); });
    } else {
      chunked_jobs(total);
    }

    for (Job& job : jobs_) {
      StatSums part[2];
      for (std::uint32_t c = 0; c < job.chunks; ++c) {
        const Chunk& chunk = chunks_[job.first_chunk + c];
        if (c <= job.split_chunk) part[0] = combine(part[0], chunk.stats[0]);
        if (c >= job.split_chunk) part[1] = combine(part[1], chunk.stats[1]);
      }
      Plan& plan = plans[job.slot];
      plan.lower.color = job.colour[0];
      plan.lower.sum = job.lower_sum;
      plan.lower.first = job.first;
      plan.lower.count = job.split_at;
      finish_stats(part[0], plan.lower);
      plan.upper.color = job.colour[1];
      plan.upper.sum = run_.boxes[job.slot].sum - job.lower_sum;
      plan.upper.first = job.first + job.split_at;
      plan.upper.count = job.count - job.split_at;
      finish_stats(part[1], plan.upper);
      plan.ready = true;
    }
    return true;
  }

  void whole_job(Job& job) {
    compute_keys(chunks_[job.first_chunk], job, 0, job.count);
    job.key_or = chunks_[job.first_chunk].all_or;
    job.key_and = chunks_[job.first_chunk].all_and;
    job.presorted = chunks_[job.first_chunk].ascending;
    sort_job(job);
    find_median(job);
    for (std::uint32_t c = 0; c < job.chunks; ++c) weigh_chunk(chunks_[job.first_chunk + c]);
    split_job(job);
    for (std::uint32_t c = 0; c < job.chunks; ++c) settle_chunk(chunks_[job.first_chunk + c]);
  }

  // Every phase runs over the chunks (or jobs) of the whole round at once.
  void chunked_jobs(std::size_t total) {
    run_tasks(chunks_.size(), total, [&](std::size_t c) {
      Chunk& chunk = chunks_[c];
      Job& job = jobs_[chunk.job];
      compute_keys(chunk, job, chunk.lo, chunk.hi);
      if (job.chunks == 1) {
        job.key_or = chunk.all_or;
        job.key_and = chunk.all_and;
        job.presorted = chunk.ascending;
        sort_job(job);
      }
    });
    radix_passes(total);
    for (Job& job : jobs_) find_median(job);
    run_tasks(chunks_.size(), total, [&](std::size_t c) { weigh_chunk(chunks_[c]); });
    run_tasks(jobs_.size(), total, [&](std::size_t j) { split_job(jobs_[j]); });
    run_tasks(chunks_.size(), total, [&](std::size_t c) { settle_chunk(chunks_[c]); });
  }

  void compute_keys(Chunk& chunk, const Job& job, std::uint32_t lo, std::uint32_t hi) {
    const HistogramItem* items = run_.items + job.first;
    std::uint32_t* keys = keys_[0].get() + job.first;
    std::uint32_t* pos = pos_[0].get() + job.first;
    std::uint32_t all_or = 0, all_and = ~0u;
    std::uint32_t previous = 0;
    bool ascending = true;
    for (std::uint32_t i = lo; i < hi; ++i) {
      // The items only take their keys when they are weighed, in their new order.
      std::uint32_t key = split_key(items[i].color, job.order);
      keys[i] = key;
      pos[i] = i;
      all_or |= key;
      all_and &= key;
      ascending = ascending && key >= previous;
      previous = key;
    }
    chunk.all_or = all_or;
    chunk.all_and = all_and;
    chunk.ascending = ascending;
    chunk.first_key = keys[lo];
    chunk.last_key = previous;
  }

  static bool byte_varies(const Job& job, int shift) {
    return ((job.key_or ^ job.key_and) >> shift & 0xFFu) != 0;
  }

  // Ascending by key, equal keys by position: the order of the 64-bit key
  // (sort_key x 2^32 + position), which any stable sort of the keys gives.
  void sort_job(Job& job) {
    job.current = 0;
    if (job.presorted) return;
    std::uint32_t* keys = keys_[0].get() + job.first;
    std::uint32_t* pos = pos_[0].get() + job.first;
    if (job.count <= kComparisonSortMax) {
      for (std::uint32_t i = 1; i < job.count; ++i) {
        std::uint32_t k = keys[i], p = pos[i];
        std::uint32_t j = i;
        for (; j > 0 && keys[j - 1] > k; --j) {
          keys[j] = keys[j - 1];
          pos[j] = pos[j - 1];
        }
        keys[j] = k;
        pos[j] = p;
      }
      return;
    }
    for (int shift = 0; shift < 32; shift += 8) {
      if (!byte_varies(job, shift)) continue;
      std::uint32_t offsets[256] = {};
      const std::uint32_t* src_k = keys_[job.current].get() + job.first;
      const std::uint32_t* src_p = pos_[job.current].get() + job.first;
      std::uint32_t* dst_k = keys_[1 - job.current].get() + job.first;
      std::uint32_t* dst_p = pos_[1 - job.current].get() + job.first;
      for (std::uint32_t i = 0; i < job.count; ++i) ++offsets[src_k[i] >> shift & 0xFFu];
      std::uint32_t sum = 0;
      for (std::uint32_t& o : offsets) {
        std::uint32_t c = o;
        o = sum;
        sum += c;
      }
      for (std::uint32_t i = 0; i < job.count; ++i) {
        std::uint32_t at = offsets[src_k[i] >> shift & 0xFFu]++;
        dst_k[at] = src_k[i];
        dst_p[at] = src_p[i];
      }
      job.current = 1 - job.current;
    }
  }

  // LSD radix passes for the jobs spanning several chunks: per-chunk digit
  // counts, offsets digit by digit and chunk by chunk, then each chunk
  // scatters its own keys, which keeps the sort stable.
  void radix_passes(std::size_t total) {
    std::vector<std::uint32_t> multi;
    for (std::uint32_t j = 0; j < jobs_.size(); ++j) {
      Job& job = jobs_[j];
      if (job.chunks < 2) continue;
      job.key_or = 0;
      job.key_and = ~0u;
      job.presorted = true;
      for (std::uint32_t c = job.first_chunk; c < job.first_chunk + job.chunks; ++c) {
        job.key_or |= chunks_[c].all_or;
        job.key_and &= chunks_[c].all_and;
        job.presorted = job.presorted && chunks_[c].ascending &&
                        (c == job.first_chunk || chunks_[c - 1].last_key <= chunks_[c].first_key);
      }
      job.current = 0;
      if (!job.presorted) multi.push_back(j);
    }
    if (multi.empty()) return;
    counts_.resize(chunks_.size());
    for (int shift = 0; shift < 32; shift += 8) {
      std::vector<std::uint32_t> pass_chunks;
      for (std::uint32_t j : multi)
        if (byte_varies(jobs_[j], shift))
          for (std::uint32_t c = 0; c < jobs_[j].chunks; ++c) pass_chunks.push_back(jobs_[j].first_chunk + c);
      if (pass_chunks.empty()) continue;
      run_tasks(pass_chunks.size(), total, [&](std::size_t t) {
        const Chunk& chunk = chunks_[pass_chunks[t]];
        const Job& job = jobs_[chunk.job];
        const std::uint32_t* keys = keys_[job.current].get() + job.first;
        std::array<std::uint32_t, 256>& count = counts_[pass_chunks[t]];
        count.fill(0);
        for (std::uint32_t i = chunk.lo; i < chunk.hi; ++i) ++count[keys[i] >> shift & 0xFFu];
      });
      for (std::uint32_t j : multi) {
        const Job& job = jobs_[j];
        if (!byte_varies(job, shift)) continue;
        std::uint32_t sum = 0;
        for (int d = 0; d < 256; ++d)
          for (std::uint32_t c = job.first_chunk; c < job.first_chunk + job.chunks; ++c) {
            std::uint32_t n = counts_[c][d];
            counts_[c][d] = sum;
            sum += n;
          }
      }
      run_tasks(pass_chunks.size(), total, [&](std::size_t t) {
        const Chunk& chunk = chunks_[pass_chunks[t]];
        const Job& job = jobs_[chunk.job];
        const std::uint32_t* src_k = keys_[job.current].get() + job.first;
        const std::uint32_t* src_p = pos_[job.current].get() + job.first;
        std::uint32_t* dst_k = keys_[1 - job.current].get() + job.first;
        std::uint32_t* dst_p = pos_[1 - job.current].get() + job.first;
        std::array<std::uint32_t, 256>& offset = counts_[pass_chunks[t]];
        for (std::uint32_t i = chunk.lo; i < chunk.hi; ++i) {
          std::uint32_t at = offset[src_k[i] >> shift & 0xFFu]++;
          dst_k[at] = src_k[i];
          dst_p[at] = src_p[i];
        }
      });
      for (std::uint32_t j : multi)
        if (byte_varies(jobs_[j], shift)) jobs_[j].current = 1 - jobs_[j].current;
    }
  }

  const std::uint32_t* order_of(const Job& job) const { return pos_[job.current].get() + job.first; }
  // Where the job's items stand in their new order until they are settled.
  HistogramItem* ordered_items(const Job& job) const {
    return (job.presorted ? run_.items : ordered_.get()) + job.first;
  }

  void find_median(Job& job) {
    const HistogramItem* items = run_.items + job.first;
    const std::uint32_t* pos = order_of(job);
    std::uint32_t mid = (job.count - 1) / 2;
    if (job.count % 2 == 1) {
      job.median = items[pos[mid]].color;
    } else {
      HistogramItem pair[2] = {items[pos[mid]], items[pos[mid + 1]]};
      job.median = box_average_serial(pair, 2, 1.0, kChunk);
    }
  }

  // Copies a chunk of the job's items in sorted order aside with their split
  // weights, and sums the chunk's weights and average.
  void weigh_chunk(Chunk& chunk) {
    const Job& job = jobs_[chunk.job];
    const HistogramItem* items = run_.items + job.first;
    const std::uint32_t* pos = order_of(job);
    const std::uint32_t* keys = keys_[job.current].get() + job.first;
    HistogramItem* out = ordered_items(job);
    double sum = 0.0;
    AverageSums average;
    for (std::uint32_t k = chunk.lo; k < chunk.hi; ++k) {
      // The reads follow the new order through the box: fetch ahead of them.
      if (k + kPrefetchAhead < chunk.hi) prefetch_item(items + pos[k + kPrefetchAhead]);
      HistogramItem it = items[pos[k]];
      it.sort_key = keys[k];
      it.split_weight = split_weight(job.median, it, run_.chroma_weight, run_.blend);
      sum += it.split_weight;
      add_to_average(average, it, false);
      out[k] = it;
    }
    chunk.weight_sum = sum;
    chunk.average = average;
  }

  // Split point: the smallest number of leading items whose weight exceeds
  // half the total, capped so the upper box keeps an item. An item's running
  // sum is the sum of the chunks before its own plus its part of its chunk.
  // Then the colours of both halves.
  void split_job(Job& job) {
    const Chunk* chunks = chunks_.data() + job.first_chunk;
    const HistogramItem* sorted = ordered_items(job);
    double total = 0.0;
    for (std::uint32_t c = 0; c < job.chunks; ++c) total += chunks[c].weight_sum;
    const double half = total * 0.5;
    std::uint32_t split = job.count - 1;
    double before = 0.0;
    for (std::uint32_t c = 0; c < job.chunks; ++c) {
      if (before + chunks[c].weight_sum > half) {
        double local = 0.0;
        for (std::uint32_t k = chunks[c].lo; k < chunks[c].hi; ++k) {
          local += sorted[k].split_weight;
          if (before + local > half) {
            split = std::min(k + 1, job.count - 1);
            break;
          }
        }
        break;
      }
      before += chunks[c].weight_sum;
    }
    job.split_at = split;
    job.split_chunk = split / kChunk;

    const Chunk& at = chunks[job.split_chunk];
    job.split_part[0] = average_block(sorted + at.lo, split - at.lo, false);
    job.split_part[1] = average_block(sorted + split, at.hi - split, false);
    AverageSums half_sums[2];
    for (std::uint32_t c = 0; c < job.chunks; ++c) {
      if (c < job.split_chunk) half_sums[0] = combine(half_sums[0], chunks[c].average);
      if (c == job.split_chunk) {
        half_sums[0] = combine(half_sums[0], job.split_part[0]);
        half_sums[1] = combine(half_sums[1], job.split_part[1]);
      }
      if (c > job.split_chunk) half_sums[1] = combine(half_sums[1], chunks[c].average);
    }
    job.lower_sum = half_sums[0].cut_sum;
    const std::uint32_t first[2] = {0, split}, count[2] = {split, job.count - split};
    for (int h = 0; h < 2; ++h) {
      // A half whose items all weigh 0 averages them equally instead.
      job.colour[h] = half_sums[h].weight == 0.0
                          ? box_average_serial(sorted + first[h], count[h], run_.opaque_threshold, kChunk)
                          : finish_average(half_sums[h], run_.opaque_threshold);
    }
  }

  // Statistics of the chunk's part of each half, and the chunk back into the
  // histogram in its new order.
  void settle_chunk(Chunk& chunk) {
    const Job& job = jobs_[chunk.job];
    const HistogramItem* sorted = ordered_items(job);
    std::uint32_t split = std::clamp(job.split_at, chunk.lo, chunk.hi);
    chunk.stats[0] = stats_block(sorted + chunk.lo, split - chunk.lo, job.colour[0], run_.chroma_weight, run_.blend);
    chunk.stats[1] = stats_block(sorted + split, chunk.hi - split, job.colour[1], run_.chroma_weight, run_.blend);
    if (!job.presorted)
      std::memcpy(static_cast<void*>(run_.items + job.first + chunk.lo), sorted + chunk.lo,
                  (chunk.hi - chunk.lo) * sizeof(HistogramItem));
  }

  CutRun& run_;
  std::unique_ptr<std::uint32_t[]> keys_[2];
  std::unique_ptr<std::uint32_t[]> pos_[2];  // position within the box before ordering
  std::unique_ptr<HistogramItem[]> ordered_;
  std::vector<Job> jobs_;
  std::vector<Chunk> chunks_;
  std::vector<std::array<std::uint32_t, 256>> counts_;
};

}  // namespace

void run_rounds(CutRun& run) {
  Rounds rounds(run);
  rounds.run();
}
