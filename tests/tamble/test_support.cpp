#include "test_support.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <sstream>

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
  char exe[4096];
  ssize_t len = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (len <= 0) return {};
  exe[len] = '\0';
  std::ostringstream cmd;
  cmd << "env -u KESTRANE_THREADS -u NQ_ISA -u NQ_SPIN -u NQ_SCAN_AVX512";
  for (const auto& [name, value] : env) cmd << " '" << name << "=" << value << "'";
  cmd << " TAMBLE_TEST_CHILD=" << mode << " '" << exe << "' --gtest_filter=ChildMode.Run 2>&1";
  std::FILE* pipe = popen(cmd.str().c_str(), "r");
  if (!pipe) return {};
  std::map<std::string, std::string> results;
  char line[4096];
  int tamble_lines = 0;
  while (std::fgets(line, sizeof line, pipe)) {
    std::string s(line);
    if (s.rfind("[tamble]", 0) == 0) ++tamble_lines;
    if (s.rfind("RESULT ", 0) != 0) continue;
    auto eq = s.find('=');
    auto end = s.find_last_not_of("\r\n");
    results[s.substr(7, eq - 7)] = s.substr(eq + 1, end - eq);
  }
  results["tamble_lines"] = std::to_string(tamble_lines);
  results["exit"] = std::to_string(pclose(pipe));
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
