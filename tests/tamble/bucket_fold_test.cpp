#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tamble/algorithms.h"
#include "tamble/bucket_fold.h"

namespace {

// Records spell out each chunk's members and where chunks are combined, so
// equal records mean the same members, order and chunk boundaries.
void add_item(std::string& r, std::size_t i) { r += std::to_string(i) + ","; }
std::string combine(const std::string& a, const std::string& b) { return a + "[" + b + "]"; }

std::vector<std::string> by_csr(const std::vector<std::uint32_t>& bucket_of, std::uint32_t buckets,
                                std::uint32_t chunk) {
  std::vector<std::string> out(buckets, "x");
  tamble::build_csr_buckets(
      nullptr, bucket_of.data(), bucket_of.size(), buckets, chunk, std::string("<"),
      [](std::uint32_t, const std::uint32_t* items, std::size_t n) {
        std::string r = "<";
        for (std::size_t k = 0; k < n; ++k) add_item(r, items[k]);
        return r;
      },
      combine, out.data());
  return out;
}

std::vector<std::string> by_fold(const std::vector<std::uint32_t>& bucket_of, std::uint32_t buckets,
                                 std::uint32_t chunk, unsigned parts) {
  std::vector<std::string> out(buckets, "x");
  tamble::detail::fold_by_bucket_in(bucket_of.data(), bucket_of.size(), buckets, chunk, parts,
                                    std::string("<"), add_item, combine, out.data());
  return out;
}

}  // namespace

// Chunks that straddle participants' ranges, ranges holding only the tail of
// a chunk, empty buckets and items of no bucket, at several participant counts.
TEST(FoldByBucket, GivesBuildCsrBucketsRecordsForAnyParticipantCount) {
  std::vector<std::uint32_t> bucket_of(5000);
  std::uint32_t x = 7;
  for (auto& b : bucket_of) {
    x = x * 1664525u + 1013904223u;
    b = (x >> 24) % 9;  // bucket 6 stays empty below; 7 and 8 are no bucket
    if (b == 6) b = 0;
  }
  for (std::uint32_t chunk : {0u, 1u, 3u, 64u, 700u, 0xFFFFFFFFu}) {
    const auto want = by_csr(bucket_of, 7, chunk);
    EXPECT_EQ(want[6], "<");
    for (unsigned parts : {1u, 2u, 3u, 7u, 64u})
      EXPECT_EQ(by_fold(bucket_of, 7, chunk, parts), want) << "chunk " << chunk << " parts " << parts;
  }
  // Every item in one bucket: each later range holds only set-aside members.
  std::vector<std::uint32_t> one(50, 0);
  EXPECT_EQ(by_fold(one, 1, 40, 5), by_csr(one, 1, 40));
  EXPECT_EQ(by_fold({}, 3, 4, 2), (std::vector<std::string>(3, "<")));
}

TEST(FoldByBucket, PoolRunEqualsSerialRun) {
  tamble::configure_runtime(4);
  std::vector<std::uint8_t> bucket_of(300000);
  for (std::size_t i = 0; i < bucket_of.size(); ++i) bucket_of[i] = static_cast<std::uint8_t>((i * i) >> 7);
  std::vector<double> pool(256), serial(256);
  auto add = [&](double& s, std::size_t i) { s += 1.0 / static_cast<double>(i + 1); };
  auto sum = [](double a, double b) { return a + b; };
  tamble::fold_by_bucket(nullptr, bucket_of.data(), bucket_of.size(), 256, 256, 0.0, add, sum,
                         pool.data());
  tamble::detail::fold_by_bucket_in(bucket_of.data(), bucket_of.size(), 256, 256, 1, 0.0, add, sum,
                                    serial.data());
  EXPECT_EQ(pool, serial);
}
