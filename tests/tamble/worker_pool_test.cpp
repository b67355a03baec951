#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "tamble/os_threads.h"
#include "tamble/worker_pool.h"
#include "test_support.h"

namespace {

tamble::pool_settings settings_for(unsigned threads) {
  tamble::pool_settings s;
  s.threads = threads;
  s.spin_budget = 2000;  // the machine may be shared: do not spin long
  s.processors = tamble::os::process_processors();
  return s;
}

// Records which participant indices ran and which range each one took.
struct loop_record {
  std::mutex m;
  std::vector<unsigned> indices;
  std::vector<tamble::index_range> chunks;
  bool inside = false;
};

void record_static(void* ctx, unsigned index) {
  auto* r = static_cast<loop_record*>(ctx);
  tamble::index_range c = tamble::static_chunk(index);
  std::lock_guard<std::mutex> lock(r->m);
  r->indices.push_back(index);
  r->chunks.push_back(c);
  r->inside = tamble::in_parallel_region();
}

}  // namespace

TEST(WorkerPool, PinningRuleSpreadsWorkersOverCoresFirst) {
  std::vector<unsigned> got;
  for (unsigned a = 1; a < 8; ++a) got.push_back(tamble::worker_processor(a, 8, 2));
  EXPECT_EQ(got, (std::vector<unsigned>{2, 4, 6, 1, 3, 5, 7}));
  EXPECT_EQ(tamble::worker_processor(5, 8, 1), 5u);
  EXPECT_EQ(tamble::worker_processor(2, 3, 4), 8u);  // 3 / 4 cores is 0: every thread counts as a core
  EXPECT_EQ(tamble::worker_processor(63, 64, 1), 63u);
  EXPECT_EQ(tamble::worker_processor(40, 64, 4), (4u * (40 - 16) + 1) % 64);
}

TEST(WorkerPool, SmallLoopUsesOneParticipantPerElementAndWakesOneGroup) {
  tamble::worker_pool pool(settings_for(16));
  ASSERT_EQ(pool.groups(), 2u);
  loop_record r;
  pool.run(&record_static, &r, 10, 13, false);
  std::set<unsigned> idx(r.indices.begin(), r.indices.end());
  EXPECT_EQ(idx, (std::set<unsigned>{0, 1, 2}));
  EXPECT_EQ(pool.wake_count(0), 1u);
  EXPECT_EQ(pool.wake_count(1), 0u);
  EXPECT_TRUE(r.inside);
  EXPECT_FALSE(tamble::in_parallel_region());

  loop_record wide;
  pool.run(&record_static, &wide, 0, 9, false);
  EXPECT_EQ(wide.indices.size(), 9u);
  EXPECT_EQ(pool.wake_count(1), 1u);
}

TEST(WorkerPool, StaticChunksCoverTheRangeOnceEvenWhenTheLastAreEmpty) {
  tamble::worker_pool pool(settings_for(4));
  for (std::size_t n : {1, 4, 5, 9, 10, 1001}) {
    loop_record r;
    pool.run(&record_static, &r, 100, 100 + n, false);
    std::vector<int> hits(n, 0);
    for (auto c : r.chunks) {
      ASSERT_LE(c.begin, c.end) << n;
      for (std::size_t i = c.begin; i < c.end; ++i) ++hits[i - 100];
    }
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(hits[i], 1) << "n=" << n << " i=" << i;
  }
}

TEST(WorkerPool, DynamicLoopHandsOutEveryIndexOnce) {
  tamble::worker_pool pool(settings_for(4));
  std::vector<std::atomic<int>> hits(5000);
  auto body = [](void* ctx, unsigned) {
    auto* h = static_cast<std::vector<std::atomic<int>>*>(ctx);
    std::size_t i;
    while (tamble::next_dynamic_index(i)) (*h)[i - 7].fetch_add(1);
  };
  pool.run(body, &hits, 7, 5007, true);
  for (auto& h : hits) ASSERT_EQ(h.load(), 1);
}

TEST(WorkerPool, NestedLoopRunsOnTheCallerAndKeepsTheOuterChunk) {
  tamble::worker_pool pool(settings_for(4));
  struct ctx_t {
    tamble::worker_pool* pool;
    std::atomic<int> bad{0};
  } ctx{&pool};
  pool.run(
      [](void* p, unsigned index) {
        auto* c = static_cast<ctx_t*>(p);
        tamble::index_range before = tamble::static_chunk(index);
        loop_record inner;
        c->pool->run(&record_static, &inner, 0, 100, false);
        tamble::index_range after = tamble::static_chunk(index);
        bool serial = inner.indices == std::vector<unsigned>{0} && inner.chunks[0].begin == 0 &&
                      inner.chunks[0].end == 100;
        if (!serial || before.begin != after.begin || before.end != after.end) c->bad.fetch_add(1);
      },
      &ctx, 0, 4, false);
  EXPECT_EQ(ctx.bad.load(), 0);
}

TEST(WorkerPool, ExceptionFromAWorkerReachesTheCallerAndThePoolGoesOn) {
  tamble::worker_pool pool(settings_for(3));
  auto throwing = [](void*, unsigned index) {
    if (index == 2) throw std::runtime_error("worker failed");
  };
  EXPECT_THROW(pool.run(throwing, nullptr, 0, 3, false), std::runtime_error);
  auto caller_throws = [](void*, unsigned index) {
    if (index == 0) throw std::bad_alloc();
  };
  EXPECT_THROW(pool.run(caller_throws, nullptr, 0, 3, false), std::bad_alloc);
  EXPECT_FALSE(tamble::in_parallel_region());
  loop_record r;
  pool.run(&record_static, &r, 0, 3, false);
  EXPECT_EQ(r.indices.size(), 3u);
}

TEST(WorkerPool, LoopFromASecondThreadWhileOneRunsIsDoneSerially) {
  tamble::worker_pool pool(settings_for(2));
  std::promise<void> started, release;
  auto release_future = release.get_future().share();
  struct ctx_t {
    std::promise<void>* started;
    std::shared_future<void> release;
  } ctx{&started, release_future};
  std::thread first([&] {
    pool.run(
        [](void* p, unsigned index) {
          auto* c = static_cast<ctx_t*>(p);
          if (index != 0) return;
          c->started->set_value();
          c->release.wait();
        },
        &ctx, 0, 2, false);
  });
  started.get_future().wait();
  loop_record r;
  pool.run(&record_static, &r, 0, 50, false);
  release.set_value();
  first.join();
  ASSERT_EQ(r.indices, std::vector<unsigned>{0});
  EXPECT_EQ(r.chunks[0].end, 50u);
}

TEST(WorkerPool, RefusedThreadStartRaisesTryAgainWithoutLeavingThreads) {
  tamble::pool_settings s = settings_for(6);
  s.refuse_worker = 4;
  tamble_test::run_with_deadline(60, [&] {
    try {
      tamble::worker_pool pool(s);
      ADD_FAILURE() << "no error raised";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code(), std::make_error_code(std::errc::resource_unavailable_try_again));
    }
  });
}

TEST(WorkerPool, JoiningAThreadFromItselfIsRefused) {
  std::promise<void> assigned;
  std::error_code code;
  std::thread t;
  t = std::thread([&] {
    assigned.get_future().wait();
    try {
      tamble::join_thread(t);
    } catch (const std::system_error& e) {
      code = e.code();
    }
  });
  assigned.set_value();
  t.join();
  EXPECT_EQ(code, std::make_error_code(std::errc::resource_deadlock_would_occur));
}

TEST(WorkerPool, OneThreadPoolAndShutDownPoolRunOnTheCaller) {
  tamble::worker_pool single(settings_for(1));
  loop_record r;
  single.run(&record_static, &r, 0, 10000, false);
  EXPECT_EQ(r.indices, std::vector<unsigned>{0});

  tamble::worker_pool pool(settings_for(4));
  pool.shutdown();
  pool.shutdown();
  loop_record after;
  pool.run(&record_static, &after, 0, 10000, false);
  EXPECT_EQ(after.indices, std::vector<unsigned>{0});
}
