#pragma once
// What the processor can run, read once from CPUID. Vector state must also be
// enabled by the operating system before a level counts it.
#include <cstdint>

namespace tamble {

struct cpu_features {
  bool intel = false;
  bool amd = false;
  bool sse3 = false;
  bool ssse3 = false;
  bool sse41 = false;
  bool sse42 = false;
  bool avx = false;
  bool avx2 = false;
  bool fma = false;
  bool f16c = false;
  bool avx512f = false;
  bool avx512bw = false;
  bool avx512vl = false;
  bool avx512dq = false;
  bool avx512vnni = false;
  bool avx512vbmi2 = false;
  bool popcnt = false;
  bool xsave = false;
  bool bmi1 = false;
  bool bmi2 = false;
  bool lzcnt = false;  // extended leaf 0x80000001
};

// The same features as bits, for comparing with what a level or a kernel
// file needs. Enumerators are the compiler's -m flag names without dots.
enum class cpu_feature : unsigned {
  sse3, ssse3, sse41, sse42, popcnt, xsave, avx, avx2, fma, f16c, bmi1, bmi2, lzcnt,
  avx512f, avx512bw, avx512dq, avx512vl, avx512vnni, avx512vbmi2,
};
using feature_mask = std::uint32_t;
// Evaluated by the compiler only, so files built for other instruction sets
// can use it without emitting code of their own.
consteval feature_mask feature_bit(cpu_feature f) { return feature_mask{1} << static_cast<unsigned>(f); }
// Stands for a compiler-enabled feature that no check covers; no processor has it.
inline constexpr feature_mask kUncheckedFeature = feature_mask{1} << 31;

feature_mask feature_bits(const cpu_features& f);

// Filled on first use; safe from any thread.
const cpu_features& processor_features();
feature_mask processor_feature_bits();

// The highest level of tamble/isa_levels.h whose features f has all of.
int isa_level_of(const cpu_features& f);

}  // namespace tamble
