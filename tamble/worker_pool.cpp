#include "tamble/worker_pool.h"

#include <algorithm>
#include <system_error>

#include "tamble/os_threads.h"
#include "tamble/os_wait.h"

namespace tamble {

namespace {

thread_local bool t_inside = false;
thread_local loop_task* t_loop = nullptr;

inline void cpu_pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Waits that may outlast a time slice give the processor away now and then:
// the machine may have more runnable threads than processors. A pool with
// more threads than processors yields from the start, since the thread being
// waited for may need this very processor.
inline void backoff(unsigned& spins, bool oversubscribed = false) {
  if (!oversubscribed && ++spins < 4096) {
    cpu_pause();
  } else {
    std::this_thread::yield();
  }
}

// Waits until a completion word reaches gen (wrap-safe: it holds the
// generation of its worker's last loop). A short spin catches the usual
// near-simultaneous finish; after that the caller sleeps in the kernel rather
// than yielding in a loop, which costs processor time the workers need.
inline void wait_done(std::atomic<std::uint32_t>& word, std::uint32_t gen, bool oversubscribed) {
  auto behind = [&](std::uint32_t v) { return static_cast<std::int32_t>(v - gen) < 0; };
  std::uint32_t v = word.load();
  for (unsigned spins = oversubscribed ? 4096 : 0; behind(v) && spins < 4096; ++spins) {
    cpu_pause();
    v = word.load();
  }
  while (behind(v)) {
    os::wait_while_equal(word, v);  // not std::atomic::wait: mingw's loses wake-ups
    v = word.load();
  }
}

// Marks the calling thread as inside a loop for the duration of one task.
class participant_scope {
 public:
  explicit participant_scope(loop_task* task) : was_inside_(t_inside), was_loop_(t_loop) {
    t_inside = true;
    t_loop = task;
  }
  ~participant_scope() {
    t_inside = was_inside_;
    t_loop = was_loop_;
  }
  participant_scope(const participant_scope&) = delete;
  participant_scope& operator=(const participant_scope&) = delete;

 private:
  bool was_inside_;
  loop_task* was_loop_;
};

}  // namespace

namespace detail {
bool& inside_parallel_region_flag() { return t_inside; }
}  // namespace detail

index_range static_chunk(unsigned index) {
  const loop_task* t = t_loop;
  if (!t || t->participants == 0) return {0, 0};
  std::size_t n = t->end - t->begin;
  std::size_t chunk = (n + t->participants - 1) / t->participants;
  // Late participants may find the range used up; they get an empty chunk
  // rather than one that starts past its end.
  std::size_t lo = t->begin + std::min(n, static_cast<std::size_t>(index) * chunk);
  std::size_t hi = std::min(t->end, lo + chunk);
  return {lo, hi};
}

bool next_dynamic_index(std::size_t& i) {
  loop_task* t = t_loop;
  if (!t) return false;
  std::size_t v = t->next.fetch_add(1);
  if (v >= t->end) return false;
  i = v;
  return true;
}

void run_on_caller(task_fn fn, void* ctx, std::size_t begin, std::size_t end) {
  if (begin >= end) return;
  loop_task task;
  task.fn = fn;
  task.ctx = ctx;
  task.begin = begin;
  task.end = end;
  task.participants = 1;
  task.next.store(begin, std::memory_order_relaxed);
  participant_scope scope(&task);
  fn(ctx, 0);
}

unsigned worker_processor(unsigned a, unsigned threads, unsigned smt_ways) {
  unsigned ways = smt_ways == 0 ? 1 : smt_ways;
  unsigned cores = threads / ways;
  if (cores == 0) cores = threads;
  unsigned p = a < cores ? a * ways : ways * (a - cores) + 1;
  return p % 64;
}

worker_pool::worker_pool(const pool_settings& settings)
    : threads_(std::clamp(settings.threads, 1u, kMaxThreads)),
      groups_((threads_ + kGroupSize - 1) / kGroupSize),
      smt_ways_(settings.smt_ways == 0 ? 1 : settings.smt_ways),
      spin_budget_(settings.spin_budget),
      processors_(settings.processors),
      oversubscribed_(!processors_.empty() && threads_ > processors_.size()),
      wake_(new word[groups_]),
      done_(new word[threads_]) {
  std::sort(processors_.begin(), processors_.end());
  workers_.reserve(threads_ - 1);
  for (unsigned a = 1; a < threads_; ++a) {
    try {
      if (a == settings.refuse_worker)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
      workers_.emplace_back(&worker_pool::worker_main, this, a);
    } catch (const std::system_error&) {
      stop_and_join();
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                              "[tamble] could not start a worker thread");
    }
  }
  unsigned spins = 0;
  while (started_.load() < threads_ - 1) backoff(spins);
}

worker_pool::~worker_pool() { shutdown(); }

void worker_pool::worker_main(unsigned a) {
  unsigned p = worker_processor(a, threads_, smt_ways_);
  // A worker inherits the starter's placement; one whose processor is not
  // ours runs anywhere in the process mask instead.
  if (std::binary_search(processors_.begin(), processors_.end(), static_cast<int>(p)))
    os::set_current_thread_processors({static_cast<int>(p)});
  else
    os::set_current_thread_processors(processors_);

  t_inside = true;
  word& wake = wake_[a / kGroupSize];
  std::uint32_t seen = wake.value.load();
  started_.fetch_add(1);

  // Wakes also come from background tasks being offered: only a newer
  // generation means a loop.
  std::uint32_t served = generation_.load();
  int idleness = 0;
  for (;;) {
    // Seen before waiting, so a stop raced with start-up is not slept through.
    if (stop_.load()) return;
    // With more threads than processors a spinning worker holds a processor
    // that a thread with work needs: block at once instead.
    const int budget = oversubscribed_ ? 0 : spin_budget_;
    const int spins = idleness >= 4 ? 0 : budget - idleness * (budget / 4);
    std::uint32_t now = wake.value.load();
    for (int i = 0; i < spins && now == seen; ++i) {
      cpu_pause();
      now = wake.value.load();
    }
    while (now == seen) {
      os::wait_while_equal(wake.value, seen);
      now = wake.value.load();
    }
    seen = now;

    if (stop_.load()) return;
    const std::uint32_t gen = generation_.load();
    if (gen == served || a >= task_.participants) idleness = std::min(idleness + 1, 4);
    if (gen != served) {
      served = gen;
      if (a < task_.participants) {
        t_loop = &task_;
        try {
          task_.fn(task_.ctx, a);
        } catch (...) {
          std::lock_guard<std::mutex> lock(error_mutex_);
          if (!worker_error_) worker_error_ = std::current_exception();
        }
        t_loop = nullptr;
        idleness = 0;
      }
      done_[a].value.store(gen);
      // Cheap when nobody sleeps on the word: the caller mostly spins briefly.
      os::wake_all(done_[a].value);
    }
    if (a == 1) serve_background(served);
  }
}

void worker_pool::serve_background(std::uint32_t served) {
  for (;;) {
    background_task* task = nullptr;
    {
      std::lock_guard<std::mutex> lock(background_mutex_);
      if (background_.empty() || stop_.load() || generation_.load() != served) return;
      task = background_.front();
      background_.pop_front();
      task->state_ = background_task::running;
    }
    try {
      task->work_();
    } catch (...) {
      task->error_ = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(background_mutex_);
      task->state_ = background_task::done;
    }
    // The pool's own condition: the task may be gone as soon as it is done.
    background_done_.notify_all();
  }
}

bool worker_pool::post(background_task* task) {
  if (threads_ < 2 || stop_.load()) return false;
  {
    std::lock_guard<std::mutex> lock(background_mutex_);
    task->pool_ = this;
    task->state_ = background_task::queued;
    background_.push_back(task);
  }
  // Worker 1 sits in group 0; the others there find no new loop and sleep again.
  wake_[0].value.fetch_add(1);
  os::wake_all(wake_[0].value);
  return true;
}

bool worker_pool::unqueue(background_task* task, bool to_run) {
  std::unique_lock<std::mutex> lock(background_mutex_);
  if (task->state_ == background_task::queued) {
    background_.erase(std::find(background_.begin(), background_.end(), task));
    task->state_ = to_run ? background_task::running : background_task::idle;
    return true;
  }
  background_done_.wait(lock, [task] { return task->state_ != background_task::running; });
  return false;
}

void worker_pool::run(task_fn fn, void* ctx, std::size_t begin, std::size_t end, bool dynamic) {
  if (begin >= end) return;
  if (threads_ < 2 || t_inside || stop_.load() || busy_.exchange(true)) {
    run_on_caller(fn, ctx, begin, end);
    return;
  }
  const std::size_t n = end - begin;
  const unsigned participants = n < threads_ ? static_cast<unsigned>(n) : threads_;
  task_.fn = fn;
  task_.ctx = ctx;
  task_.begin = begin;
  task_.end = end;
  task_.participants = participants;
  if (dynamic) task_.next.store(begin);
  const std::uint32_t gen = generation_.fetch_add(1) + 1;
  const unsigned wait_for =
      std::min((participants + kGroupSize - 1) / kGroupSize * kGroupSize, threads_);
  const unsigned wake_groups = (participants + kGroupSize - 1) / kGroupSize;
  for (unsigned g = 0; g < wake_groups; ++g) {
    wake_[g].value.fetch_add(1);
    os::wake_all(wake_[g].value);
  }

  std::exception_ptr caller_error;
  {
    participant_scope scope(&task_);
    try {
      fn(ctx, 0);
    } catch (...) {
      caller_error = std::current_exception();
    }
  }

  for (unsigned w = 1; w < wait_for; ++w) wait_done(done_[w].value, gen, oversubscribed_);

  std::exception_ptr error = caller_error;
  {
    std::lock_guard<std::mutex> lock(error_mutex_);
    if (!error) error = worker_error_;
    worker_error_ = nullptr;
  }
  busy_.store(false);
  if (error) std::rethrow_exception(error);
}

void join_thread(std::thread& t) {
  if (t.get_id() == std::this_thread::get_id())
    throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur),
                            "[tamble] a thread cannot join itself");
  if (t.joinable()) t.join();
}

void worker_pool::stop_and_join() {
  stop_.store(true);
  for (unsigned g = 0; g < groups_; ++g) {
    // Any change wakes the group; the value itself means nothing.
    wake_[g].value.fetch_add(1);
    os::wake_all(wake_[g].value);
  }
  for (std::size_t i = 0; i < workers_.size(); ++i) {
    try {
      join_thread(workers_[i]);
    } catch (const std::system_error&) {
      // Shutdown reached from inside a worker (exit() in a task): that thread
      // cannot wait for itself and ends with the process.
      workers_[i].detach();
    }
  }
}

void worker_pool::shutdown() {
  if (workers_.empty() && stop_.load()) return;
  stop_and_join();
  workers_.clear();
}

}  // namespace tamble
