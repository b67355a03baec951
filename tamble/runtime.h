#pragma once
// The process-wide worker pool and the instruction-set choice.
#include <cstddef>
#include <cstdint>

namespace tamble {

// Configures thread count, instruction-set level and spin budget once per
// process and creates the pool; later calls return at once. A hint of 0 or
// less means automatic (KESTRANE_THREADS, else the physical core count).
// When the system refuses to start the worker threads, one "[tamble]" line
// on standard error says so and the pool keeps the calling thread alone.
void configure_runtime(int thread_hint);
// For tests, before configure_runtime: the pool acts as if worker `worker`
// (1 .. threads-1) could not be started; 0 refuses none.
void refuse_worker_start(unsigned worker);

// Threads in the pool, the calling thread included (1 before configuration).
unsigned thread_count();
// True on pool workers and on a thread while it runs a loop's task.
bool in_parallel_region();

// Instruction-set levels: 0 scalar, 2 AVX2, 3 AVX-512.
int requested_isa_level();
int hardware_isa_level();
int effective_isa_level();
// Effective level is 2 or more.
bool use_vector_path();
int spin_budget();

// Runs fn(ctx, index) once per participating thread, index 0 on the caller,
// and returns when all have finished. Participants = min(end - begin, threads).
// Inside a task, before configuration, or while another thread's loop holds
// the pool, the loop runs on its caller alone. An exception thrown by any
// participant is rethrown here once every participant has finished.
using task_fn = void (*)(void* ctx, unsigned index);
void parallel_loop(task_fn fn, void* ctx, std::size_t begin, std::size_t end, bool dynamic);

// For use inside a task: this participant's static chunk of the current loop,
// and the next index of a dynamic loop (false when the range is used up).
struct index_range {
  std::size_t begin;
  std::size_t end;
};
index_range static_chunk(unsigned index);
bool next_dynamic_index(std::size_t& i);

// Below this many elements a loop runs on the calling thread.
inline constexpr std::size_t kSerialBelow = 4096;

// The serial fallback every algorithm applies before it calls the pool.
inline bool runs_serially(std::size_t n, std::size_t serial_below = kSerialBelow) {
  return in_parallel_region() || n < serial_below || thread_count() < 2 ||
         n >= (std::size_t{1} << 31);
}

}  // namespace tamble
