#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/cpu_features.h"
#include "tamble/runtime.h"
#include "tamble/runtime_env.h"
#include "test_support.h"

using tamble_test::child_result;
using tamble_test::run_child;

namespace {

// Distinct threads that touched a loop of n elements.
std::size_t threads_used(std::size_t n) {
  std::vector<std::thread::id> ids(n);
  tamble::tabulate(nullptr, ids.data(), n, [](std::size_t) { return std::this_thread::get_id(); });
  return std::set<std::thread::id>(ids.begin(), ids.end()).size();
}

// A fingerprint of sort, grouping and reduction results on fixed data.
std::string result_digest() {
  const std::size_t n = 300000;
  std::vector<std::uint32_t> keys(n), buckets(n);
  std::vector<double> values(n);
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    keys[i] = x >> 8;
    buckets[i] = x % 1000;
    values[i] = static_cast<double>(i) * 0.1;
  }
  tamble::sort_by_key(keys.data(), values.data(), n);
  std::vector<double> sums(1000);
  tamble::build_csr_buckets(
      nullptr, buckets.data(), n, 1000, 37, 0.0,
      [&](std::uint32_t, const std::uint32_t* items, std::size_t count) {
        double s = 0;
        for (std::size_t i = 0; i < count; ++i) s += values[items[i]] * 1.0000001;
        return s;
      },
      [](double a, double b) { return a * 0.5 + b; }, sums.data());
  double total = tamble::blocked_reduce(
      nullptr, n, 4096, 0.0,
      [&](std::size_t lo, std::size_t hi) {
        double s = 0;
        for (std::size_t i = lo; i < hi; ++i) s += values[i] / 3.0;
        return s;
      },
      [](double a, double b) { return a + b; });
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&](const void* p, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) h = (h ^ static_cast<const unsigned char*>(p)[i]) * 1099511628211ull;
  };
  mix(keys.data(), n * sizeof keys[0]);
  mix(values.data(), n * sizeof values[0]);
  mix(sums.data(), sums.size() * sizeof sums[0]);
  mix(&total, sizeof total);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

}  // namespace

// Entry point of the child processes; skipped in a normal run.
TEST(ChildMode, Run) {
  const char* mode_env = std::getenv("TAMBLE_TEST_CHILD");
  if (!mode_env) GTEST_SKIP() << "only runs as a child of the configuration tests";
  std::string mode = mode_env;
  if (mode == "refused_start") tamble::refuse_worker_start(2);
  tamble::configure_runtime(0);
  if (mode == "report") {
    child_result("threads", std::to_string(tamble::thread_count()));
    child_result("requested", std::to_string(tamble::requested_isa_level()));
    child_result("effective", std::to_string(tamble::effective_isa_level()));
    child_result("spin", std::to_string(tamble::spin_budget()));
    child_result("used", std::to_string(threads_used(100000)));
    tamble::configure_runtime(3);
    child_result("threads_after", std::to_string(tamble::thread_count()));
  } else if (mode == "digest") {
    child_result("digest", result_digest());
  } else if (mode == "refused_start") {
    child_result("threads", std::to_string(tamble::thread_count()));
    child_result("used", std::to_string(threads_used(100000)));
    child_result("digest", result_digest());
    tamble::configure_runtime(3);  // says nothing more
  } else if (mode == "exit_from_worker") {
    // exit() inside a task runs the pool's shutdown on a worker, which must
    // not try to join itself or hang on the others.
    tamble::parallel_loop(
        [](void*, unsigned index) {
          if (index == 1) std::exit(0);
        },
        nullptr, 0, 2, false);
    std::this_thread::sleep_for(std::chrono::seconds(30));
  }
}

// Values the child tests below do not cover: atoi reads a leading number
// and gives 0 for none; instruction-set names must match exactly.
TEST(RuntimeEnv, ReadsNumbersLikeAtoiAndNamesExactly) {
  EXPECT_EQ(tamble::parse_thread_request("12abc"), 12);
  EXPECT_EQ(tamble::parse_thread_request("x"), 0);
  EXPECT_EQ(tamble::parse_spin_budget("junk"), 512);
  EXPECT_EQ(tamble::parse_isa_request("avx2 "), 3);
}

TEST(RuntimeConfig, ThreadCountComesFromTheVariableCappedAt64AndIsFixedOnce) {
  auto two = run_child("report", {{"KESTRANE_THREADS", "2"}});
  EXPECT_EQ(two["threads"], "2");
  EXPECT_EQ(two["used"], "2");
  EXPECT_EQ(two["threads_after"], "2");  // a later hint changes nothing

  auto many = run_child("report", {{"KESTRANE_THREADS", "200"}, {"NQ_SPIN", "64"}});
  EXPECT_EQ(many["threads"], "64");

  auto one = run_child("report", {{"KESTRANE_THREADS", "1"}});
  EXPECT_EQ(one["threads"], "1");
  EXPECT_EQ(one["used"], "1");
  EXPECT_EQ(one["exit"], "0");
}

TEST(RuntimeConfig, WorkersThatCannotStartLeaveEveryLoopToItsCallerWithOneMessage) {
  auto refused = run_child("refused_start", {{"KESTRANE_THREADS", "4"}});
  EXPECT_EQ(refused["exit"], "0");
  EXPECT_EQ(refused["threads"], "1");
  EXPECT_EQ(refused["used"], "1");
  EXPECT_EQ(refused["tamble_lines"], "1");
  EXPECT_EQ(refused["digest"], run_child("digest", {{"KESTRANE_THREADS", "1"}})["digest"]);
}

TEST(RuntimeConfig, InstructionSetAndSpinVariables) {
  const int hw = tamble::isa_level_of(tamble::processor_features());
  auto scalar = run_child("report", {{"NQ_ISA", "scalar"}, {"NQ_SPIN", "0"}});
  EXPECT_EQ(scalar["requested"], "0");
  EXPECT_EQ(scalar["effective"], "0");
  EXPECT_EQ(scalar["spin"], "512");

  auto capitals = run_child("report", {{"NQ_ISA", "AVX2"}, {"NQ_SPIN", "-3"}});
  EXPECT_EQ(capitals["requested"], "3");
  EXPECT_EQ(capitals["effective"], std::to_string(hw));
  EXPECT_EQ(capitals["spin"], "512");

  auto wide = run_child("report", {{"NQ_ISA", "avx512"}, {"NQ_SPIN", "777"}});
  EXPECT_EQ(wide["effective"], std::to_string(hw));
  EXPECT_EQ(wide["spin"], "777");

  auto avx2 = run_child("report", {{"NQ_ISA", "avx2"}});
  EXPECT_EQ(avx2["effective"], std::to_string(hw < 2 ? hw : 2));
  EXPECT_EQ(avx2["spin"], "10000");
}

TEST(RuntimeConfig, ResultsAreTheSameBytesWhateverTheThreadCount) {
  auto one = run_child("digest", {{"KESTRANE_THREADS", "1"}});
  ASSERT_FALSE(one["digest"].empty());
  EXPECT_EQ(run_child("digest", {{"KESTRANE_THREADS", "3"}, {"NQ_SPIN", "256"}})["digest"], one["digest"]);
  EXPECT_EQ(run_child("digest", {{"KESTRANE_THREADS", "8"}, {"NQ_SPIN", "256"}})["digest"], one["digest"]);
  EXPECT_EQ(run_child("digest", {{"KESTRANE_THREADS", "2"}, {"NQ_ISA", "scalar"}})["digest"], one["digest"]);
}

TEST(RuntimeConfig, ExitCalledInsideAWorkerTaskEndsCleanly) {
  auto r = run_child("exit_from_worker", {{"KESTRANE_THREADS", "2"}});
  EXPECT_EQ(r["exit"], "0");
}
