#pragma once
// Helpers for runtime tests: child processes for once-per-process settings,
// and a deadline so that a hang fails the test instead of blocking the run.
#include <functional>
#include <map>
#include <string>

#include "tamble/device.h"

namespace tamble_test {

// A processor-like device that refuses allocations above a limit, counts
// what it hands out (to see leaks and double frees) and may claim to be a GPU.
struct test_device final : tamble::device {
  std::size_t limit = 0;
  bool gpu = false;
  int live = 0;
  int frees = 0;
  tamble::cpu_event ev;
  tamble::cpu_device cpu;

  explicit test_device(std::size_t max_bytes, bool is_gpu_device = false)
      : limit(max_bytes), gpu(is_gpu_device) {}
  bool is_gpu() const override { return gpu; }
  int query_int(int) const override { return 0; }
  const char* name() const override { return "test"; }
  bool query_bool(int) const override { return true; }
  tamble::event& default_event() override { return ev; }
  void synchronize() override {}
  void flush() override {}
  void* allocate(std::size_t bytes) override;
  void free(void* p) override;
  void* allocate_pinned(std::size_t b) override { return allocate(b); }
  void free_pinned(void* p) override { free(p); }
  void* allocate_managed(std::size_t b) override { return allocate(b); }
  void free_managed(void* p) override { free(p); }
  void allocate_mirrored(std::size_t b, void** h, void** d) override { *h = *d = allocate(b); }
  void free_mirrored(void* h, void*) override { free(h); }
  tamble::event& copy_async(void* d, const void* s, std::size_t b) override;
  void* copy_to_device(void* d, const void* s, std::size_t b) override { return cpu.copy_to_device(d, s, b); }
  void* copy_to_host(void* d, const void* s, std::size_t b) override { return cpu.copy_to_host(d, s, b); }
  tamble::event& fill_bytes(void* d, int v, std::size_t b) override { return cpu.fill_bytes(d, v, b); }
  tamble::event& timer_start() override { return ev; }
  tamble::event& timer_stop() override { return ev; }
  float elapsed_microseconds() const override { return 0; }
};

// Re-runs this test binary with only ChildMode.Run selected, TAMBLE_TEST_CHILD
// set to `mode` and the given variables set (runtime variables not named are
// unset). Returns the child's "key=value" result lines, its exit status as
// "exit" and the number of its "[tamble]" lines as "tamble_lines".
std::map<std::string, std::string> run_child(const std::string& mode,
                                             const std::map<std::string, std::string>& env);

// Prints a result line for run_child.
void child_result(const std::string& key, const std::string& value);

// Runs fn on another thread; aborts the process if it is not done in time.
void run_with_deadline(int seconds, const std::function<void()>& fn);

}  // namespace tamble_test
