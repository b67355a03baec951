#pragma once
// What the processor can run, read once from CPUID. Vector state must also be
// enabled by the operating system before a level counts it.
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
  bool bmi1 = false;
  bool bmi2 = false;
  bool lzcnt = false;  // extended leaf 0x80000001
};

// Filled on first use; safe from any thread.
const cpu_features& processor_features();

// 3 with AVX-512F and AVX-512BW, else 2 with AVX2 and FMA, else 0.
int isa_level_of(const cpu_features& f);

}  // namespace tamble
