#include <gtest/gtest.h>

#include <string>

#include "tamble/array.h"
#include "tamble/device.h"

TEST(CpuDevice, NamesItselfAndIsNotAGpu) {
  tamble::device* dev = tamble::get_cpu_device();
  EXPECT_STREQ(dev->name(), "CPU");
  EXPECT_FALSE(dev->is_gpu());
  EXPECT_EQ(dev, tamble::get_cpu_device());
}

TEST(Array, AllocationsAre64ByteAligned) {
  tamble::array<double> a(tamble::get_cpu_device(), 1000);
  ASSERT_NE(a.data(), nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a.data()) % 64, 0u);
}

TEST(Array, EmptyArrayHasNoMemoryAndSaysNothing) {
  testing::internal::CaptureStderr();
  {
    tamble::array<float> a(tamble::get_cpu_device(), 0);
    EXPECT_EQ(a.data(), nullptr);
    a.release();
    a.release();
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
