#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "tamble/os_threads.h"
#include "tamble/worker_pool.h"
#include "test_support.h"

namespace {

tamble::pool_settings stress_settings(unsigned threads, int spin) {
  tamble::pool_settings s;
  s.threads = threads;
  s.spin_budget = spin;
  s.processors = tamble::os::process_processors();
  return s;
}

void count_participants(void* ctx, unsigned) { static_cast<std::atomic<long>*>(ctx)->fetch_add(1); }

}  // namespace

// A lost wake-up shows as a loop that never returns; the deadline turns it
// into a failure.
TEST(PoolStress, ThousandsOfBackToBackSmallLoops) {
  tamble_test::run_with_deadline(120, [] {
    for (int spin : {512, 20000}) {
      tamble::worker_pool pool(stress_settings(4, spin));
      std::atomic<long> calls{0};
      long expected = 0;
      for (int i = 0; i < 5000; ++i) {
        std::size_t n = 1 + i % 6;
        pool.run(&count_participants, &calls, 0, n, false);
        expected += n < 4 ? static_cast<long>(n) : 4;
      }
      EXPECT_EQ(calls.load(), expected);
    }
  });
}

TEST(PoolStress, LoopsAcrossTwoWakeGroupsWithSleepingWorkers) {
  tamble_test::run_with_deadline(120, [] {
    tamble::worker_pool pool(stress_settings(12, 64));
    std::atomic<long> calls{0};
    long expected = 0;
    for (int i = 0; i < 1000; ++i) {
      std::size_t n = i % 3 == 0 ? 12 : 1 + i % 9;
      pool.run(&count_participants, &calls, 0, n, false);
      expected += static_cast<long>(n);
    }
    EXPECT_EQ(calls.load(), expected);
  });
}

TEST(PoolStress, LoopRightAfterCreatingThePool) {
  tamble_test::run_with_deadline(120, [] {
    for (int i = 0; i < 100; ++i) {
      tamble::worker_pool pool(stress_settings(3 + i % 6, 512));
      std::atomic<long> calls{0};
      pool.run(&count_participants, &calls, 0, 100, false);
      ASSERT_EQ(calls.load(), static_cast<long>(pool.threads()));
    }
  });
}

// More threads than processors with the default spin budget: workers that
// spun while the thread with work waited for a processor made each loop cost
// whole time slices. Blocking instead keeps thousands of loops quick; the
// deadline is only a hang guard, the figures are in the benchmarks.
TEST(PoolStress, OversubscribedPoolBlocksInsteadOfSpinning) {
  const std::vector<int> processors = tamble::os::process_processors();
  if (processors.empty() || processors.size() >= 64) GTEST_SKIP() << "cannot crowd this machine";
  tamble::pool_settings fitting = stress_settings(static_cast<unsigned>(processors.size()), 100000);
  tamble::pool_settings crowded =
      stress_settings(std::min(64u, 4 * static_cast<unsigned>(processors.size())), 100000);
  EXPECT_FALSE(tamble::worker_pool(fitting).oversubscribed());

  tamble_test::run_with_deadline(120, [&] {
    tamble::worker_pool pool(crowded);
    ASSERT_TRUE(pool.oversubscribed());
    std::atomic<long> calls{0};
    long expected = 0;
    for (int i = 0; i < 3000; ++i) {
      std::size_t n = 1 + i % (2 * pool.threads());
      pool.run(&count_participants, &calls, 0, n, false);
      expected += static_cast<long>(std::min<std::size_t>(n, pool.threads()));
    }
    EXPECT_EQ(calls.load(), expected);
  });
}
