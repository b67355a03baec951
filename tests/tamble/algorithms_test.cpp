#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tamble/algorithms.h"
#include "test_support.h"

namespace {

// The parallel paths need a pool of several threads; every test of this
// binary asks for the same four.
void use_pool() { tamble::configure_runtime(4); }

std::vector<std::uint32_t> random_keys(std::size_t n, std::uint32_t mask, std::uint32_t seed) {
  std::vector<std::uint32_t> k(n);
  for (auto& x : k) {
    seed = seed * 1664525u + 1013904223u;
    x = (seed ^ (seed >> 13)) & mask;
  }
  return k;
}

// Sorts inside a task so the serial path runs, with the pool or without it.
void sort_serially(std::vector<std::uint32_t>& k, std::vector<double>& v) {
  struct ctx_t {
    std::vector<std::uint32_t>* k;
    std::vector<double>* v;
  } ctx{&k, &v};
  tamble::parallel_loop(
      [](void* p, unsigned) {
        auto* c = static_cast<ctx_t*>(p);
        tamble::sort_by_key(c->k->data(), c->v->data(), c->k->size());
      },
      &ctx, 0, 1, false);
}

// The stable order every sort must produce: values are original positions.
void expect_stably_sorted(const std::vector<std::uint32_t>& original,
                          const std::vector<std::uint32_t>& k, const std::vector<double>& v) {
  std::vector<std::size_t> order(original.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return original[a] < original[b]; });
  for (std::size_t i = 0; i < order.size(); ++i) {
    ASSERT_EQ(k[i], original[order[i]]) << i;
    ASSERT_EQ(v[i], static_cast<double>(order[i])) << i;
  }
}

std::vector<double> positions(std::size_t n) {
  std::vector<double> v(n);
  std::iota(v.begin(), v.end(), 0.0);
  return v;
}

}  // namespace

TEST(ElementWise, BelowFourThousandNinetySixElementsStaysOnTheCaller) {
  use_pool();
  ASSERT_EQ(tamble::thread_count(), 4u);
  for (std::size_t n : {4095, 4096}) {
    std::vector<std::thread::id> ids(n);
    tamble::tabulate(nullptr, ids.data(), n, [](std::size_t) { return std::this_thread::get_id(); });
    std::set<std::thread::id> distinct(ids.begin(), ids.end());
    EXPECT_EQ(distinct.size(), n == 4095 ? 1u : 4u) << n;
    EXPECT_TRUE(distinct.count(std::this_thread::get_id()));
  }
}

TEST(ElementWise, FillTransformAndTabulateTouchEveryElementOnce) {
  use_pool();
  const std::size_t n = 100003;
  std::vector<int> a(n, -1);
  tamble::fill(tamble::get_cpu_device(), a.data(), n, 7);
  EXPECT_EQ(std::count(a.begin(), a.end(), 7), static_cast<long>(n));
  tamble::tabulate(nullptr, a.data(), n, [](std::size_t i) { return static_cast<int>(i); });
  tamble::transform_inplace(nullptr, a.data(), n, [](int x) { return x + 1; });
  std::vector<long> b(n);
  tamble::transform(nullptr, a.data(), n, b.data(), [](int x) { return 2L * x; });
  for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(b[i], 2L * (static_cast<long>(i) + 1));
  tamble::fill(nullptr, a.data(), 0, 9);  // nothing to do, nothing touched
  EXPECT_EQ(a[0], 1);
}

TEST(ElementWise, NestedAlgorithmsRunSeriallyInsideTheOuterTask) {
  use_pool();
  const std::size_t rows = 8, cols = 5000;
  std::vector<std::size_t> grid(rows * cols);
  std::vector<int> inner_serial(rows, 0);
  tamble::for_each_index(
      nullptr, rows,
      [&](std::size_t r) {
        std::set<std::thread::id> ids;
        std::vector<std::thread::id> who(cols);
        tamble::tabulate(nullptr, grid.data() + r * cols, cols, [&](std::size_t c) {
          who[c] = std::this_thread::get_id();
          return r * cols + c;
        });
        inner_serial[r] = std::set<std::thread::id>(who.begin(), who.end()).size() == 1;
      },
      2);
  for (std::size_t i = 0; i < grid.size(); ++i) ASSERT_EQ(grid[i], i);
  EXPECT_EQ(std::count(inner_serial.begin(), inner_serial.end(), 1), static_cast<long>(rows));
}

TEST(ElementWiseDeath, GpuDeviceIsRefusedWithTheMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  tamble_test::test_device gpu(0, true);
  int x[4];
  EXPECT_DEATH(tamble::fill(&gpu, x, 4, 1),
               "\\[tamble\\] fill: algorithm has no GPU path in this TU \xE2\x80\x81"
               "Edata would be processed by host code\\. Use a CPU device");
}

TEST(SortByKey, EqualKeysAreLeftUntouchedWithoutAPass) {
  std::vector<std::uint32_t> k(100000, 0xABCD1234u);
  std::vector<double> v = positions(k.size());
  tamble::sort_by_key(k.data(), v.data(), k.size());
  EXPECT_EQ(tamble::detail::last_sort_pass_count(), 0u);
  EXPECT_EQ(v, positions(k.size()));
}

TEST(SortByKey, KeysDifferingInOneByteTakeOnePassAndStayStable) {
  for (std::uint32_t mask : {0x000000FFu, 0x00FF0000u}) {
    auto original = random_keys(5000, mask, 3);
    for (auto& x : original) x |= 0x12000000u;
    auto k = original;
    auto v = positions(k.size());
    tamble::sort_by_key(k.data(), v.data(), k.size());
    EXPECT_EQ(tamble::detail::last_sort_pass_count(), 1u);
    expect_stably_sorted(original, k, v);
  }
  auto original = random_keys(5000, 0xFF00FF00u, 4);
  auto k = original;
  auto v = positions(k.size());
  tamble::sort_by_key(k.data(), v.data(), k.size());
  EXPECT_EQ(tamble::detail::last_sort_pass_count(), 2u);
  expect_stably_sorted(original, k, v);
}

TEST(SortByKey, ParallelAndSerialPathsAgreeAndAreStable) {
  use_pool();
  // Sizes around the parallel threshold, few distinct keys (many ties) and full-width keys.
  for (std::size_t n : {65535, 65536, 200001}) {
    for (std::uint32_t mask : {0x0000F00Fu, 0xFFFFFFFFu}) {
      auto original = random_keys(n, mask, static_cast<std::uint32_t>(n));
      auto k1 = original, k2 = original;
      auto v1 = positions(n), v2 = positions(n);
      tamble::sort_by_key(k1.data(), v1.data(), n);
      sort_serially(k2, v2);
      ASSERT_EQ(k1, k2) << n;
      ASSERT_EQ(v1, v2) << n;
      expect_stably_sorted(original, k1, v1);
    }
  }
  std::vector<std::uint32_t> one{5};
  std::vector<double> one_v{1.5};
  tamble::sort_by_key(one.data(), one_v.data(), 1);
  tamble::sort_by_key(nullptr, nullptr, 0);
  EXPECT_EQ(one_v[0], 1.5);
}

TEST(ReduceByKey, CollapsesAdjacentRunsOnlyAndUsesTheShorterInput) {
  const std::uint32_t keys[] = {5, 5, 7, 5};
  const double values[] = {1.0, 2.0, 4.0, 8.0};
  std::uint32_t ok[4];
  double ov[4];
  ASSERT_EQ(tamble::reduce_by_key(nullptr, keys, 4, values, 4, ok, ov), 3u);
  EXPECT_EQ((std::vector<std::uint32_t>(ok, ok + 3)), (std::vector<std::uint32_t>{5, 7, 5}));
  EXPECT_EQ((std::vector<double>(ov, ov + 3)), (std::vector<double>{3.0, 4.0, 8.0}));

  ASSERT_EQ(tamble::reduce_by_key(nullptr, keys, 3, values, 2, ok, ov), 1u);
  EXPECT_EQ(ov[0], 3.0);
  EXPECT_EQ(tamble::reduce_by_key(nullptr, keys, 0, values, 4, ok, ov), 0u);
}

namespace {

// Records each bucket's items in the order the chunks fold them; the combine
// is not commutative, so any change of order shows.
std::vector<std::string> grouped(const std::vector<std::uint32_t>& bucket_of, std::uint32_t buckets,
                                 std::uint32_t chunk) {
  std::vector<std::string> out(buckets);
  tamble::build_csr_buckets(
      nullptr, bucket_of.data(), bucket_of.size(), buckets, chunk, std::string("|"),
      [&](std::uint32_t b, const std::uint32_t* items, std::size_t count) {
        std::string s;
        for (std::size_t i = 0; i < count; ++i) {
          if (bucket_of[items[i]] != b) return std::string("wrong bucket");
          s += std::to_string(items[i]) + ",";
        }
        return s + ";";
      },
      [](const std::string& a, const std::string& b) { return a + b; }, out.data());
  return out;
}

}  // namespace

TEST(BuildCsrBuckets, FoldsChunksInOrderAndGivesEmptyBucketsTheIdentity) {
  const std::vector<std::uint32_t> bucket_of = {2, 0, 2, 2, 0, 2, 2};
  auto out = grouped(bucket_of, 4, 2);
  EXPECT_EQ(out[0], "|1,4,;");
  EXPECT_EQ(out[1], "|");
  EXPECT_EQ(out[2], "|0,2,;3,5,;6,;");
  EXPECT_EQ(out[3], "|");
}

TEST(BuildCsrBuckets, UnknownBucketsAndHugeChunksAreHandledSafely) {
  const std::vector<std::uint32_t> bucket_of = {1, 9, 0, 1, 0xFFFFFFFFu};
  auto out = grouped(bucket_of, 2, 0xFFFFFFFFu);
  EXPECT_EQ(out[0], "|2,;");
  EXPECT_EQ(out[1], "|0,3,;");
  auto csr = tamble::group_by_bucket(nullptr, bucket_of.data(), bucket_of.size(), 2);
  EXPECT_EQ(csr.offsets, (std::vector<std::uint32_t>{0, 1, 3}));
  EXPECT_EQ(std::vector<std::uint32_t>(csr.items.begin(), csr.items.end()),
            (std::vector<std::uint32_t>{2, 0, 3}));
}

TEST(BuildCsrBuckets, ParallelGroupingEqualsSerialGrouping) {
  use_pool();
  auto bucket_of = random_keys(60000, 0x3FF, 9);
  for (auto& b : bucket_of) b %= 700;
  std::vector<std::string> parallel = grouped(bucket_of, 700, 16);
  std::vector<std::string> serial;
  std::pair<std::vector<std::string>*, const std::vector<std::uint32_t>*> ctx{&serial, &bucket_of};
  tamble::parallel_loop(
      [](void* p, unsigned) {
        auto* c = static_cast<decltype(ctx)*>(p);
        *c->first = grouped(*c->second, 700, 16);
      },
      &ctx, 0, 1, false);
  EXPECT_EQ(parallel, serial);
  auto csr = tamble::group_by_bucket(nullptr, bucket_of.data(), bucket_of.size(), 700);
  for (std::uint32_t b = 0; b < 700; ++b)
    ASSERT_TRUE(std::is_sorted(csr.items.begin() + csr.offsets[b], csr.items.begin() + csr.offsets[b + 1]));
}
