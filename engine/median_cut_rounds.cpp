// Parallel rounds: every box without a split plan is ordered fully by its
// split key and split ahead of time; the serial choice of boxes is then
// replayed over the plans.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/median_cut_run.h"

namespace {

constexpr double kSmallDifference = 1.0 / 65536.0;
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
  int current = 0;                            // buffer holding the keys in their latest order
  std::uint32_t key_or = 0, key_and = ~0u;
  WorkColor median{};
  std::uint32_t split_at = 0;
};

struct Chunk {
  std::uint32_t job;
  std::uint32_t lo, hi;  // positions within the job
};

// Buffers for one call, indexed by histogram position.
struct RoundBuffers {
  std::vector<std::uint32_t> keys[2];
  std::vector<std::uint32_t> pos[2];  // position within the box before ordering
  std::unique_ptr<HistogramItem[]> items;
};

class Rounds {
 public:
  explicit Rounds(CutRun& run) : run_(run) {
    std::size_t n = run.item_count;
    for (int b = 0; b < 2; ++b) {
      buf_.keys[b].resize(n);
      buf_.pos[b].resize(n);
    }
    buf_.items.reset(new HistogramItem[n]);
  }

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
  // Plans every box in use that can be split and has no plan; false when none.
  bool plan_round(std::vector<Plan>& plans) {
    jobs_.clear();
    chunks_.clear();
    std::uint32_t largest = 0;
    std::size_t total = 0;
    for (std::uint32_t s = 0; s < run_.used; ++s) {
      const Box& box = run_.boxes[s];
      if (box.count <= 1 || plans[s].ready) continue;
      Job job{s, box.first, box.count, channel_order(box)};
      job.first_chunk = static_cast<std::uint32_t>(chunks_.size());
      for (std::uint32_t lo = 0; lo < box.count; lo += kChunk)
        chunks_.push_back({static_cast<std::uint32_t>(jobs_.size()), lo,
                           std::min(box.count, lo + kChunk)});
      job.chunks = static_cast<std::uint32_t>(chunks_.size()) - job.first_chunk;
      jobs_.push_back(job);
      largest = std::max(largest, box.count);
      total += box.count;
    }
    if (jobs_.empty()) return false;
    chunk_sums_.assign(chunks_.size(), 0.0);
    key_bits_.assign(chunks_.size(), KeyBits{});

    if (largest < kWholeJobBelow) {
      run_tasks(jobs_.size(), total, [&](std::size_t j) { whole_job(jobs_[j]); });
    } else {
      chunked_jobs(total);
    }

    std::vector<ItemRange> halves;
    for (const Job& job : jobs_) {
      halves.push_back({job.first, job.split_at});
      halves.push_back({job.first + job.split_at, job.count - job.split_at});
    }
    std::vector<Box> boxes = measure_boxes(run_, halves);
    for (std::size_t j = 0; j < jobs_.size(); ++j) {
      Plan& plan = plans[jobs_[j].slot];
      plan.lower = boxes[2 * j];
      plan.upper = boxes[2 * j + 1];
      plan.upper.sum = run_.boxes[jobs_[j].slot].sum - plan.lower.sum;
      plan.ready = true;
    }
    return true;
  }

  void whole_job(Job& job) {
    compute_keys(job, 0, job.count);
    sort_job(job);
    gather(job, 0, job.count);
    find_median(job);
    for (std::uint32_t c = 0; c < job.chunks; ++c) weigh_chunk(job.first_chunk + c);
    find_split(job);
  }

  // Every phase runs over the chunks of all jobs at once.
  void chunked_jobs(std::size_t total) {
    run_tasks(chunks_.size(), total, [&](std::size_t c) {
      Job& job = jobs_[chunks_[c].job];
      if (job.chunks == 1) {
        compute_keys(job, 0, job.count);
        sort_job(job);
      } else {
        key_bits_[c] = compute_keys(job, chunks_[c].lo, chunks_[c].hi);
      }
    });
    radix_passes(total);
    run_tasks(chunks_.size(), total, [&](std::size_t c) {
      gather(jobs_[chunks_[c].job], chunks_[c].lo, chunks_[c].hi);
    });
    for (Job& job : jobs_) find_median(job);
    run_tasks(chunks_.size(), total, [&](std::size_t c) { weigh_chunk(c); });
    for (Job& job : jobs_) find_split(job);
  }

  struct KeyBits {
    std::uint32_t all_or = 0, all_and = ~0u;
  };

  KeyBits compute_keys(Job& job, std::uint32_t lo, std::uint32_t hi) {
    KeyBits bits;
    HistogramItem* items = run_.items + job.first;
    std::uint32_t* keys = buf_.keys[0].data() + job.first;
    std::uint32_t* pos = buf_.pos[0].data() + job.first;
    for (std::uint32_t i = lo; i < hi; ++i) {
      std::uint32_t key = split_key(items[i].color, job.order);
      items[i].sort_key = key;
      keys[i] = key;
      pos[i] = i;
      bits.all_or |= key;
      bits.all_and &= key;
    }
    if (lo == 0 && hi == job.count) {
      job.key_or = bits.all_or;
      job.key_and = bits.all_and;
    }
    return bits;
  }

  static bool byte_varies(const Job& job, int shift) {
    return ((job.key_or ^ job.key_and) >> shift & 0xFFu) != 0;
  }

  // Ascending by key, equal keys by position: a stable sort of the keys.
  void sort_job(Job& job) {
    std::uint32_t* keys = buf_.keys[0].data() + job.first;
    std::uint32_t* pos = buf_.pos[0].data() + job.first;
    job.current = 0;
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
      const std::uint32_t* src_k = buf_.keys[job.current].data() + job.first;
      const std::uint32_t* src_p = buf_.pos[job.current].data() + job.first;
      std::uint32_t* dst_k = buf_.keys[1 - job.current].data() + job.first;
      std::uint32_t* dst_p = buf_.pos[1 - job.current].data() + job.first;
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

  // LSD radix passes for the jobs that span several chunks: per-chunk digit
  // counts, offsets digit by digit and chunk by chunk, then each chunk scatters.
  void radix_passes(std::size_t total) {
    std::vector<std::uint32_t> multi;
    for (std::uint32_t j = 0; j < jobs_.size(); ++j) {
      Job& job = jobs_[j];
      if (job.chunks < 2) continue;
      job.key_or = 0;
      job.key_and = ~0u;
      for (std::uint32_t c = job.first_chunk; c < job.first_chunk + job.chunks; ++c) {
        job.key_or |= key_bits_[c].all_or;
        job.key_and &= key_bits_[c].all_and;
      }
      job.current = 0;
      multi.push_back(j);
    }
    counts_.resize(chunks_.size());
    for (int shift = 0; shift < 32; shift += 8) {
      std::vector<std::uint32_t> pass_chunks;
      for (std::uint32_t j : multi)
        if (byte_varies(jobs_[j], shift))
          for (std::uint32_t c = 0; c < jobs_[j].chunks; ++c)
            pass_chunks.push_back(jobs_[j].first_chunk + c);
      if (pass_chunks.empty()) continue;
      run_tasks(pass_chunks.size(), total, [&](std::size_t t) {
        std::uint32_t c = pass_chunks[t];
        const Job& job = jobs_[chunks_[c].job];
        const std::uint32_t* keys = buf_.keys[job.current].data() + job.first;
        std::array<std::uint32_t, 256>& count = counts_[c];
        count.fill(0);
        for (std::uint32_t i = chunks_[c].lo; i < chunks_[c].hi; ++i) ++count[keys[i] >> shift & 0xFFu];
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
        std::uint32_t c = pass_chunks[t];
        const Job& job = jobs_[chunks_[c].job];
        const std::uint32_t* src_k = buf_.keys[job.current].data() + job.first;
        const std::uint32_t* src_p = buf_.pos[job.current].data() + job.first;
        std::uint32_t* dst_k = buf_.keys[1 - job.current].data() + job.first;
        std::uint32_t* dst_p = buf_.pos[1 - job.current].data() + job.first;
        std::array<std::uint32_t, 256>& offset = counts_[c];
        for (std::uint32_t i = chunks_[c].lo; i < chunks_[c].hi; ++i) {
          std::uint32_t at = offset[src_k[i] >> shift & 0xFFu]++;
          dst_k[at] = src_k[i];
          dst_p[at] = src_p[i];
        }
      });
      for (std::uint32_t j : multi)
        if (byte_varies(jobs_[j], shift)) jobs_[j].current = 1 - jobs_[j].current;
    }
  }

  void gather(const Job& job, std::uint32_t lo, std::uint32_t hi) {
    const HistogramItem* items = run_.items + job.first;
    const std::uint32_t* pos = buf_.pos[job.current].data() + job.first;
    HistogramItem* out = buf_.items.get() + job.first;
    for (std::uint32_t k = lo; k < hi; ++k) out[k] = items[pos[k]];
  }

  void find_median(Job& job) {
    const HistogramItem* sorted = buf_.items.get() + job.first;
    std::uint32_t mid = (job.count - 1) / 2;
    if (job.count % 2 == 1) {
      job.median = sorted[mid].color;
    } else {
      job.median = box_average_serial(sorted + mid, 2, 1.0, kChunk);
    }
  }

  // Puts a chunk of ordered items back into the histogram with their split
  // weights and records the chunk's weight sum.
  void weigh_chunk(std::size_t c) {
    const Chunk& chunk = chunks_[c];
    const Job& job = jobs_[chunk.job];
    const HistogramItem* sorted = buf_.items.get() + job.first;
    HistogramItem* items = run_.items + job.first;
    double sum = 0.0;
    for (std::uint32_t k = chunk.lo; k < chunk.hi; ++k) {
      HistogramItem it = sorted[k];
      double d = color_difference(job.median, it.color, run_.chroma_weight, run_.blend);
      if (d < kSmallDifference) d *= 0.5;
      it.split_weight = std::sqrt(d) * it.weight_root;
      sum += it.split_weight;
      items[k] = it;
    }
    chunk_sums_[c] = sum;
  }

  // Smallest number of leading items whose weight exceeds half the total,
  // capped so the upper box keeps at least one item. The running sum is the
  // chunk sums before the item's chunk plus its sum within the chunk.
  void find_split(Job& job) {
    double total = 0.0;
    for (std::uint32_t c = 0; c < job.chunks; ++c) total += chunk_sums_[job.first_chunk + c];
    double half = total * 0.5;
    const HistogramItem* items = run_.items + job.first;
    std::uint32_t split = job.count - 1;
    double before = 0.0;
    for (std::uint32_t c = 0; c < job.chunks; ++c) {
      const Chunk& chunk = chunks_[job.first_chunk + c];
      double sum = chunk_sums_[job.first_chunk + c];
      if (before + sum > half) {
        double local = 0.0;
        for (std::uint32_t k = chunk.lo; k < chunk.hi; ++k) {
          local += items[k].split_weight;
          if (before + local > half) {
            split = std::min(k + 1, job.count - 1);
            break;
          }
        }
        break;
      }
      before += sum;
    }
    job.split_at = split;
  }

  CutRun& run_;
  RoundBuffers buf_;
  std::vector<Job> jobs_;
  std::vector<Chunk> chunks_;
  std::vector<double> chunk_sums_;
  std::vector<KeyBits> key_bits_;
  std::vector<std::array<std::uint32_t, 256>> counts_;
};

}  // namespace

void run_rounds(CutRun& run) {
  Rounds rounds(run);
  rounds.run();
}
