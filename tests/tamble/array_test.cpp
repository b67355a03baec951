#include <gtest/gtest.h>

#include <string>

#include "tamble/array.h"
#include "tamble/device.h"
#include "test_support.h"

namespace {

const std::string kRefused = "[tamble::array] ALLOCATION FAILED: ";
const std::string kImplausible = "[tamble::array]   ^^ IMPLAUSIBLE SIZE";

std::string stderr_of_array(tamble_test::test_device& dev, std::size_t count) {
  testing::internal::CaptureStderr();
  { tamble::array<unsigned char> a(&dev, count); }
  return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(Array, RefusedAllocationPrintsTheImplausibleLineFrom2To48Bytes) {
  tamble_test::test_device dev(0);
  std::string below = stderr_of_array(dev, (std::size_t{1} << 48) - 1);
  EXPECT_EQ(below.rfind(kRefused + "281474976710655 bytes refused -- device is now in an OOM state", 0), 0u);
  EXPECT_EQ(below.find(kImplausible), std::string::npos);

  std::string at = stderr_of_array(dev, std::size_t{1} << 48);
  EXPECT_NE(at.find(kRefused + "281474976710656 bytes refused"), std::string::npos);
  EXPECT_NE(at.find(kImplausible + ": this is almost certainly a NEGATIVE signed element count "
                                   "wrapped by the size_t parameter, not real memory pressure. As "
                                   "int64 the request is 281474976710656 bytes."),
            std::string::npos);
  EXPECT_EQ(dev.frees, 0);
}

TEST(Array, NegativeCountIsRefusedAndShownAsNegativeBytes) {
  // -1 elements of 8 bytes: the byte count overflows and must never reach the
  // allocator as a small wrapped request.
  tamble_test::test_device dev(~std::size_t{0});
  testing::internal::CaptureStderr();
  tamble::array<double> a(&dev, static_cast<std::size_t>(-1));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(a.failed());
  EXPECT_EQ(dev.live, 0);
  EXPECT_NE(err.find("As int64 the request is -8 bytes."), std::string::npos);
}

TEST(Array, ReleaseTwiceAndDestroyAfterReleaseFreeOnce) {
  tamble_test::test_device dev(1 << 20);
  {
    tamble::array<int> a(&dev, 100);
    ASSERT_NE(a.data(), nullptr);
    a.release();
    a.release();
    EXPECT_EQ(a.data(), nullptr);
    EXPECT_EQ(a.size(), 0u);
  }
  EXPECT_EQ(dev.frees, 1);
  EXPECT_EQ(dev.live, 0);
}

TEST(Array, MoveTakesTheBlockAndLeavesTheSourceEmpty) {
  tamble_test::test_device dev(1 << 20);
  {
    tamble::array<int> a(&dev, 10);
    int* block = a.data();
    tamble::array<int> b(std::move(a));
    EXPECT_EQ(b.data(), block);
    EXPECT_EQ(a.data(), nullptr);
    tamble::array<int> c(&dev, 5);
    c = std::move(b);  // c's own block is freed
    EXPECT_EQ(c.data(), block);
    EXPECT_EQ(c.size(), 10u);
    EXPECT_EQ(dev.live, 1);
    c = std::move(c);
    EXPECT_EQ(c.data(), block);
  }
  EXPECT_EQ(dev.live, 0);
}

TEST(Array, AssignGrowsOnlyWhenNeededAndCopiesNothingAfterARefusal) {
  tamble_test::test_device dev(40);
  const int src[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  tamble::array<int> a(&dev, 4);
  int* first = a.data();
  a.assign(src, 3);
  EXPECT_EQ(a.data(), first);  // capacity suffices: block reused
  EXPECT_EQ(a.size(), 3u);
  EXPECT_EQ(a[2], 3);
  a.assign(src, 10);  // 40 bytes: grows
  EXPECT_EQ(a.capacity(), 10u);
  EXPECT_EQ(a[9], 10);
  EXPECT_EQ(dev.live, 1);

  testing::internal::CaptureStderr();
  a.assign(src, 11);  // 44 bytes: refused
  EXPECT_NE(testing::internal::GetCapturedStderr().find(kRefused + "44 bytes refused"),
            std::string::npos);
  EXPECT_TRUE(a.failed());
  EXPECT_EQ(dev.live, 0);

  // A later assignment that fits asks for a block again instead of keeping none.
  a.assign(src, 2);
  ASSERT_NE(a.data(), nullptr);
  EXPECT_EQ(a[1], 2);
}
