#include "tamble/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif
#include <cstdint>
#include <cstring>
#include <utility>

namespace tamble {

namespace {

#if defined(__x86_64__) || defined(__i386__)
std::uint64_t read_xcr0() {
  std::uint32_t lo = 0, hi = 0;
  __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
  return (static_cast<std::uint64_t>(hi) << 32) | lo;
}

cpu_features detect() {
  cpu_features f;
  unsigned a = 0, b = 0, c = 0, d = 0;
  unsigned max_leaf = __get_cpuid_max(0, nullptr);
  if (max_leaf == 0) return f;
  __cpuid(0, a, b, c, d);
  char vendor[13] = {};
  std::memcpy(vendor, &b, 4);
  std::memcpy(vendor + 4, &d, 4);
  std::memcpy(vendor + 8, &c, 4);
  f.intel = std::strcmp(vendor, "GenuineIntel") == 0;
  f.amd = std::strcmp(vendor, "AuthenticAMD") == 0;

  bool os_avx = false, os_avx512 = false;
  if (max_leaf >= 1) {
    __cpuid(1, a, b, c, d);
    f.sse3 = c & (1u << 0);
    f.ssse3 = c & (1u << 9);
    f.fma = c & (1u << 12);
    f.sse41 = c & (1u << 19);
    f.sse42 = c & (1u << 20);
    f.popcnt = c & (1u << 23);
    f.xsave = c & (1u << 26);
    f.avx = c & (1u << 28);
    f.f16c = c & (1u << 29);
    bool osxsave = c & (1u << 27);
    if (osxsave) {
      std::uint64_t xcr0 = read_xcr0();
      os_avx = (xcr0 & 0x6) == 0x6;            // SSE and AVX register state
      os_avx512 = os_avx && (xcr0 & 0xE0) == 0xE0;  // opmask and both ZMM halves
    }
  }
  if (max_leaf >= 7) {
    __cpuid_count(7, 0, a, b, c, d);
    f.bmi1 = b & (1u << 3);
    f.avx2 = b & (1u << 5);
    f.bmi2 = b & (1u << 8);
    f.avx512f = b & (1u << 16);
    f.avx512dq = b & (1u << 17);
    f.avx512bw = b & (1u << 30);
    f.avx512vl = b & (1u << 31);
    f.avx512vbmi2 = c & (1u << 6);
    f.avx512vnni = c & (1u << 11);
  }
  if (__get_cpuid_max(0x80000000, nullptr) >= 0x80000001) {
    __cpuid(0x80000001, a, b, c, d);
    f.lzcnt = c & (1u << 5);
  }
  // Registers the system does not save are unusable whatever the chip offers.
  if (!os_avx) f.avx = f.avx2 = f.fma = f.f16c = false;
  if (!os_avx512)
    f.avx512f = f.avx512bw = f.avx512vl = f.avx512dq = f.avx512vnni = f.avx512vbmi2 = false;
  return f;
}
#else
cpu_features detect() { return {}; }
#endif

}  // namespace

const cpu_features& processor_features() {
  static const cpu_features features = detect();
  return features;
}

feature_mask feature_bits(const cpu_features& f) {
  const std::pair<bool, feature_mask> flags[] = {
      {f.sse3, feature_bit(cpu_feature::sse3)},          {f.ssse3, feature_bit(cpu_feature::ssse3)},
      {f.sse41, feature_bit(cpu_feature::sse41)},        {f.sse42, feature_bit(cpu_feature::sse42)},
      {f.popcnt, feature_bit(cpu_feature::popcnt)},      {f.xsave, feature_bit(cpu_feature::xsave)},
      {f.avx, feature_bit(cpu_feature::avx)},            {f.avx2, feature_bit(cpu_feature::avx2)},
      {f.fma, feature_bit(cpu_feature::fma)},            {f.f16c, feature_bit(cpu_feature::f16c)},
      {f.bmi1, feature_bit(cpu_feature::bmi1)},          {f.bmi2, feature_bit(cpu_feature::bmi2)},
      {f.lzcnt, feature_bit(cpu_feature::lzcnt)},        {f.avx512f, feature_bit(cpu_feature::avx512f)},
      {f.avx512bw, feature_bit(cpu_feature::avx512bw)},  {f.avx512dq, feature_bit(cpu_feature::avx512dq)},
      {f.avx512vl, feature_bit(cpu_feature::avx512vl)},  {f.avx512vnni, feature_bit(cpu_feature::avx512vnni)},
      {f.avx512vbmi2, feature_bit(cpu_feature::avx512vbmi2)},
  };
  feature_mask bits = 0;
  for (const auto& [present, bit] : flags)
    if (present) bits |= bit;
  return bits;
}

feature_mask processor_feature_bits() {
  static const feature_mask bits = feature_bits(processor_features());
  return bits;
}

}  // namespace tamble
