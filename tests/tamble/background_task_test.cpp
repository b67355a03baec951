// Tasks handed to the pool's idle worker while the caller does serial work.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tamble/background_task.h"
#include "tamble/os_threads.h"
#include "tamble/worker_pool.h"
#include "test_support.h"

namespace {

tamble::pool_settings pool_of(unsigned threads) {
  tamble::pool_settings s;
  s.threads = threads;
  s.spin_budget = 2000;
  s.processors = tamble::os::process_processors();
  return s;
}

}  // namespace

TEST(BackgroundTask, TheWorkerRunsItWhileTheCallerWorksAndAPoolOfOneLeavesItToFinish) {
  tamble_test::run_with_deadline(60, [] {
    tamble::worker_pool pool(pool_of(2));
    std::atomic<bool> ran{false};
    std::thread::id runner;
    tamble::background_task task([&] {
      runner = std::this_thread::get_id();
      ran.store(true);
    });
    task.start(pool);
    while (!ran.load()) std::this_thread::yield();  // the caller never lends a hand
    task.finish();
    EXPECT_NE(runner, std::this_thread::get_id());

    tamble::worker_pool alone(pool_of(1));
    int runs = 0;
    tamble::background_task serial([&] {
      runner = std::this_thread::get_id();
      ++runs;
    });
    serial.start(alone);
    EXPECT_EQ(runs, 0);
    serial.finish();
    serial.finish();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(runner, std::this_thread::get_id());

    tamble::background_task failing([] { throw std::runtime_error("piece failed"); });
    failing.start(pool);
    EXPECT_THROW(failing.finish(), std::runtime_error);
  });
}

TEST(BackgroundTask, LoopsGoFirstEveryTaskRunsOnceAndAQueuedOneCanBeTakenBack) {
  tamble_test::run_with_deadline(60, [] {
    tamble::worker_pool pool(pool_of(2));
    // The first task holds the worker, so the ones behind it stay queued.
    std::atomic<bool> hold{true}, holding{false};
    tamble::background_task blocker([&] {
      holding.store(true);
      while (hold.load()) std::this_thread::yield();
    });
    blocker.start(pool);
    while (!holding.load()) std::this_thread::yield();

    std::vector<std::atomic<int>> runs(12);
    std::vector<std::unique_ptr<tamble::background_task>> tasks;
    for (std::size_t i = 0; i < runs.size(); ++i) {
      tasks.push_back(std::make_unique<tamble::background_task>([&runs, i] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        runs[i].fetch_add(1);
      }));
      tasks.back()->start(pool);
    }
    EXPECT_FALSE(tasks[11]->withdraw());  // taken back before anyone ran it
    tasks[11].reset();
    tasks[10]->finish();  // still queued: runs here
    EXPECT_EQ(runs[10].load(), 1);
    hold.store(false);

    // A loop started while tasks wait is served between two of them.
    std::vector<std::atomic<int>> hits(20000);
    pool.run(
        [](void* ctx, unsigned) {
          auto* h = static_cast<std::vector<std::atomic<int>>*>(ctx);
          std::size_t i;
          while (tamble::next_dynamic_index(i)) (*h)[i].fetch_add(1);
        },
        &hits, 0, hits.size(), true);
    for (auto& h : hits) ASSERT_EQ(h.load(), 1);

    for (std::size_t i = 0; i < 11; ++i) tasks[i]->finish();
    blocker.finish();
    for (std::size_t i = 0; i < 11; ++i) EXPECT_EQ(runs[i].load(), 1) << i;
    EXPECT_EQ(runs[11].load(), 0);
  });
}
