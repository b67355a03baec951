#pragma once
// Checksum tests across instruction-set levels. The child prints which
// kernels really ran; the parent skips, by name, a level this processor
// cannot run instead of passing on a silent fallback to another one.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/dither/plan_screening.h"
#include "engine/nearest/nearest.h"
#include "tamble/isa_levels.h"
#include "tamble/runtime.h"
#include "tamble/runtime_env.h"
#include "tests/child_checksum.h"

inline std::string isa_name(int level) {
  const tamble::isa_level_spec* spec = tamble::find_isa_level(level);
  return spec ? spec->name : "level " + std::to_string(level);
}

inline std::string level_line(int scan, int screening) {
  return "LEVEL scan=" + isa_name(scan) + " screening=" + isa_name(screening);
}

// In the child: the levels of the kernels the runtime's settings select.
inline void print_level_ran() {
  Palette one;
  one.entries.push_back(PaletteEntry{WorkColor{1.0, 0.5, kNeutralA, kNeutralB}, 0.0, false});
  const int scan = nearest_index(nullptr, one, 1.0, ColorMetric{}).scan_level();
  const int screening = screening_kernel(tamble::effective_isa_level()).level;
  std::printf("%s\n", level_line(scan, screening).c_str());
}

struct IsaCase {
  const char* isa;      // NQ_ISA value
  const char* threads;  // KESTRANE_THREADS value
};

// Compares the child's checksum at `c` (AVX-512 scanning switched on) with a
// one-thread scalar child's, after checking it ran the level it was asked for.
inline void expect_same_checksum_as_scalar(const IsaCase& c, const char* disabled_test) {
  const int wanted = tamble::parse_isa_request(c.isa);
  const int here = tamble::highest_isa_level(wanted, tamble::processor_feature_bits());
  if (here != wanted) GTEST_SKIP() << c.isa << " does not run on this processor; it would fall back to " << isa_name(here);
  const std::string reference = child_checksum("KESTRANE_THREADS=1 NQ_ISA=scalar", disabled_test);
  ASSERT_FALSE(reference.empty());
  std::string ran;
  const std::string env = std::string("KESTRANE_THREADS=") + c.threads + " NQ_ISA=" + c.isa + " NQ_SCAN_AVX512=1";
  const std::string checksum = child_checksum(env, disabled_test, &ran);
  std::printf("[  level   ] %s ran %s\n", env.c_str(), ran.c_str());
  ::testing::Test::RecordProperty("level_ran", ran);
  EXPECT_EQ(ran, level_line(wanted, wanted));
  EXPECT_EQ(checksum, reference) << env;
}

inline std::string isa_case_name(const ::testing::TestParamInfo<IsaCase>& info) { return info.param.isa; }
