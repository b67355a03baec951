#include "tamble/background_task.h"

#include "tamble/worker_pool.h"

namespace tamble {

background_task::~background_task() { withdraw(); }

void background_task::start() {
  if (worker_pool* pool = detail::process_pool()) start(*pool);
}

void background_task::start(worker_pool& pool) {
  if (state_ == idle && pool_ == nullptr) pool.post(this);
}

void background_task::finish() {
  // Offered or not, once off the queue nobody else touches the task.
  const bool ours = pool_ == nullptr ? state_ == idle : pool_->unqueue(this, true);
  if (ours) run_here();
  if (error_) std::rethrow_exception(error_);
}

bool background_task::withdraw() {
  if (pool_ == nullptr) return state_ == done;
  if (pool_->unqueue(this, false)) {
    pool_ = nullptr;
    return false;
  }
  return state_ == done;
}

void background_task::run_here() {
  state_ = running;
  try {
    work_();
  } catch (...) {
    error_ = std::current_exception();
  }
  state_ = done;
}

}  // namespace tamble
