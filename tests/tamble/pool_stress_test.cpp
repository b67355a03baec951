#include <gtest/gtest.h>

#include <atomic>

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
