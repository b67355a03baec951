#pragma once
// The pool of worker threads behind parallel_loop. Workers park on one wake
// word per group of eight, spin for a while before blocking, and report each
// finished loop through their own completion word.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tamble/background_task.h"
#include "tamble/runtime.h"

namespace tamble {

// One loop as its participants see it.
struct loop_task {
  task_fn fn = nullptr;
  void* ctx = nullptr;
  std::size_t begin = 0;
  std::size_t end = 0;
  unsigned participants = 0;
  std::atomic<std::size_t> next{0};  // dynamic scheduling
};

struct pool_settings {
  unsigned threads = 1;      // the thread that starts loops included; at most 64
  unsigned smt_ways = 1;     // logical processors per physical core
  int spin_budget = 10000;   // wake-word reads before a worker blocks
  std::vector<int> processors;  // where the process may run; workers pin inside it
  unsigned refuse_worker = 0;   // test hook: act as if this worker could not start (0 = none)
};

// The logical processor worker a (1 .. threads-1) pins itself to, before the
// process mask is applied.
unsigned worker_processor(unsigned a, unsigned threads, unsigned smt_ways);

class worker_pool {
 public:
  static constexpr unsigned kGroupSize = 8;
  static constexpr unsigned kMaxThreads = 64;

  // Starts threads-1 workers; a worker the system refuses to start raises
  // std::system_error (resource_unavailable_try_again) after the others are joined.
  explicit worker_pool(const pool_settings& settings);
  ~worker_pool();
  worker_pool(const worker_pool&) = delete;
  worker_pool& operator=(const worker_pool&) = delete;

  unsigned threads() const { return threads_; }
  // More threads than the processors the process may run on: workers block
  // instead of spinning.
  bool oversubscribed() const { return oversubscribed_; }
  unsigned groups() const { return groups_; }

  // fn(ctx, index) on min(end - begin, threads) participants, index 0 on the
  // caller. Runs on the caller alone inside a parallel region, in a pool of
  // one thread, after shutdown, or while another thread has a loop running.
  // An exception from any participant reaches the caller after all finished.
  void run(task_fn fn, void* ctx, std::size_t begin, std::size_t end, bool dynamic);

  // Stops and joins every worker; harmless to call again.
  void shutdown();

  // Background tasks (tamble/background_task.h), taken in order by worker 1
  // between loops. post: false when the pool has no worker to take it.
  bool post(background_task* task);
  // Takes a task still queued off the queue (true), marked running when the
  // caller is to run it, else as never offered; otherwise returns once its
  // run has ended (false).
  bool unqueue(background_task* task, bool to_run);

  // For tests: loops run so far and the wake count of one group.
  std::uint32_t generation() const { return generation_.load(); }
  std::uint32_t wake_count(unsigned group) const { return wake_[group].value.load(); }

 private:
  struct alignas(64) word {
    std::atomic<std::uint32_t> value{0};
  };

  void worker_main(unsigned a);
  // Runs queued background tasks until the queue is empty or a loop newer
  // than `served` waits for this worker.
  void serve_background(std::uint32_t served);
  void stop_and_join();

  unsigned threads_ = 1;
  unsigned groups_ = 1;
  unsigned smt_ways_ = 1;
  int spin_budget_ = 10000;
  std::vector<int> processors_;
  bool oversubscribed_ = false;
  std::vector<std::thread> workers_;  // workers_[a - 1] runs index a
  std::unique_ptr<word[]> wake_;      // one per group
  std::unique_ptr<word[]> done_;      // one per thread; [0] unused
  loop_task task_;
  std::atomic<std::uint32_t> generation_{0};
  std::atomic<unsigned> started_{0};
  std::atomic<bool> stop_{false};
  std::atomic<bool> busy_{false};
  std::mutex error_mutex_;
  std::exception_ptr worker_error_;
  std::mutex background_mutex_;  // guards the queue and every offered task's state
  std::condition_variable background_done_;
  std::deque<background_task*> background_;
};

// Joins t; raises std::system_error (resource_deadlock_would_occur) when t is
// the calling thread.
void join_thread(std::thread& t);

// Runs fn(ctx, 0) over the whole range on the calling thread as a loop of one.
void run_on_caller(task_fn fn, void* ctx, std::size_t begin, std::size_t end);

namespace detail {
bool& inside_parallel_region_flag();
// The process-wide pool; null before configure_runtime.
worker_pool* process_pool();
}

}  // namespace tamble
