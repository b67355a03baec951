#include "test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <sstream>

#include "tests/support/child_process.h"

namespace tamble_test {

void* test_device::allocate(std::size_t bytes) {
  if (bytes > limit) return nullptr;
  ++live;
  return cpu.allocate(bytes);
}

void test_device::free(void* p) {
  --live;
  ++frees;
  cpu.free(p);
}

tamble::event& test_device::copy_async(void* d, const void* s, std::size_t b) {
  cpu.copy_async(d, s, b);
  return ev;
}

std::map<std::string, std::string> run_child(const std::string& mode,
                                             const std::map<std::string, std::string>& env) {
  // The runtime's own variables are cleared first, so only `env` decides.
  std::map<std::string, std::string> settings{{"KESTRANE_THREADS", ""}, {"NQ_ISA", ""},
                                              {"NQ_SPIN", ""}, {"NQ_SCAN_AVX512", ""}};
  for (const auto& [name, value] : env) settings[name] = value;
  settings["TAMBLE_TEST_CHILD"] = mode;
  ChildRun run = run_this_program({"--gtest_filter=ChildMode.Run"}, settings, true);
  std::map<std::string, std::string> results;
  int tamble_lines = 0;
  std::istringstream lines(run.output);
  for (std::string s; std::getline(lines, s);) {
    if (s.rfind("[tamble]", 0) == 0) ++tamble_lines;
    if (s.rfind("RESULT ", 0) != 0) continue;
    auto eq = s.find('=');
    auto end = s.find_last_not_of("\r\n");
    results[s.substr(7, eq - 7)] = s.substr(eq + 1, end - eq);
  }
  results["tamble_lines"] = std::to_string(tamble_lines);
  results["exit"] = std::to_string(run.exit_code);
  return results;
}

void child_result(const std::string& key, const std::string& value) {
  std::printf("RESULT %s=%s\n", key.c_str(), value.c_str());
  std::fflush(stdout);
}

void run_with_deadline(int seconds, const std::function<void()>& fn) {
  auto done = std::async(std::launch::async, fn);
  if (done.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) {
    std::fprintf(stderr, "test did not finish within %d s: the pool hangs\n", seconds);
    std::abort();
  }
  done.get();
}

}  // namespace tamble_test
