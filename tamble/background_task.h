#pragma once
// Work for the pool's idle worker while the calling thread goes on with
// serial work of its own (error diffusion, say). Worker 1 takes started tasks
// in order between loops; a loop started meanwhile goes first, the worker
// joins it between two tasks, so keep each task short (tens of milliseconds).
// finish() runs a task that no worker has taken on the calling thread, so a
// pool of one thread, or none yet, still gets everything done.
#include <cstdint>
#include <exception>
#include <functional>

namespace tamble {

class worker_pool;

class background_task {
 public:
  explicit background_task(std::function<void()> work) : work_(std::move(work)) {}
  // Takes the task back if no worker has started it, else waits for it.
  ~background_task();
  background_task(const background_task&) = delete;
  background_task& operator=(const background_task&) = delete;

  // Offers the task to the process pool's worker (to `pool`'s, for tests);
  // a second call does nothing.
  void start();
  void start(worker_pool& pool);
  // Returns once the task has run, running it here if nobody has taken it;
  // rethrows what it threw.
  void finish();
  // Takes the task back unless a worker has started it, then waits for that
  // run; true when it has run.
  bool withdraw();

 private:
  friend class worker_pool;
  enum state : std::uint8_t { idle, queued, running, done };

  void run_here();

  std::function<void()> work_;
  worker_pool* pool_ = nullptr;  // set while offered; guarded by its mutex
  state state_ = idle;
  std::exception_ptr error_;
};

}  // namespace tamble
