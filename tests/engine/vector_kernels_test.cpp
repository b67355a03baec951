// Every vector kernel file must need exactly what its level checks: the
// features its compiler enabled (read from the file's own predefined macros)
// against the level's list, which also gave the file its flags.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/dither/plan_screening.h"
#include "engine/nearest/nearest_scan.h"
#include "engine/remap/diffusion_row.h"
#include "tamble/isa_dispatch.h"
#include "tamble/isa_levels.h"
#include "tests/engine/isa_checksum.h"

namespace {

struct Declared {
  int level;
  tamble::feature_mask needs;
  const char* file;
};

template <class Fn>
Declared declared(const tamble::isa_kernel<Fn>& k) {
  return {k.level, k.needs, k.file};
}

const Declared kKernels[] = {
    declared(kNearestScanScalar),      declared(kNearestScanAvx2),      declared(kNearestScanAvx512),
    declared(kScreenCandidatesScalar), declared(kScreenCandidatesAvx2), declared(kScreenCandidatesAvx512),
    declared(kDiffuseRowScalar),       declared(kDiffuseRowAvx2),
};

TEST(VectorKernels, EachFileNeedsExactlyWhatItsLevelChecks) {
  for (const Declared& k : kKernels) {
    const tamble::isa_level_spec* level = tamble::find_isa_level(k.level);
    ASSERT_NE(level, nullptr) << k.file << " claims level " << k.level << ", which does not exist";
    EXPECT_EQ(k.needs & ~level->needs, 0u)
        << k.file << " is compiled for features (bits " << std::hex << (k.needs & ~level->needs)
        << ") that level " << level->name << " does not check";
    EXPECT_EQ(level->needs & ~k.needs, 0u)
        << k.file << " lacks features (bits " << std::hex << (level->needs & ~k.needs) << ") that level "
        << level->name << " checks: its flags are not the level's (" << level->flags << ")";
    std::string file = k.file;
    std::string tail = std::string(level->suffix) + ".cpp";
    if (k.level > 0) {
      EXPECT_TRUE(file.ends_with(tail)) << file << " should end in " << tail;
    }
  }
}

// A processor with AVX-512 F and BW but not DQ and VL (the kernels use both)
// must get the AVX2 kernels, and one without AVX2 the scalar ones.
TEST(VectorKernels, SelectionNeverPicksAKernelTheProcessorLacks) {
  using tamble::cpu_feature;
  using tamble::feature_bit;
  const tamble::feature_mask avx2 = tamble::find_isa_level(2)->needs;
  const tamble::feature_mask f_bw = avx2 | feature_bit(cpu_feature::avx512f) | feature_bit(cpu_feature::avx512bw);
  const tamble::feature_mask all = tamble::find_isa_level(3)->needs;
  const tamble::isa_kernel<nearest_scan_fn>* const scans[] = {&kNearestScanScalar, &kNearestScanAvx2,
                                                              &kNearestScanAvx512};
  EXPECT_EQ(tamble::highest_isa_level(3, f_bw), 2);
  EXPECT_EQ(tamble::select_kernel(scans, 3, f_bw).fn, &nearest_scan_avx2);
  EXPECT_EQ(tamble::select_kernel(scans, 3, all).fn, &nearest_scan_avx512);
  EXPECT_EQ(tamble::select_kernel(scans, 2, all).fn, &nearest_scan_avx2);
  EXPECT_EQ(tamble::select_kernel(scans, 3, avx2 & ~feature_bit(cpu_feature::bmi2)).fn, &nearest_scan_scalar);
  EXPECT_EQ(tamble::select_kernel(scans, 1, all).fn, &nearest_scan_scalar);

  // A kernel declaring more than its level (a flag added outside the list)
  // is passed over even where the level itself would run.
  const tamble::isa_kernel<nearest_scan_fn> greedy{2, avx2 | tamble::kUncheckedFeature, nearest_scan_avx2, ""};
  const tamble::isa_kernel<nearest_scan_fn>* const with_greedy[] = {&kNearestScanScalar, &greedy};
  EXPECT_EQ(tamble::select_kernel(with_greedy, 3, all).level, 0);
}

TEST(VectorKernels, DISABLED_PrintLevels) {
  print_level_ran();
  std::printf("CHECKSUM none\n");
}

// The AVX-512 scan runs on its own only when NQ_SCAN_AVX512 asks for it; the
// rest of the runtime's level is unaffected.
TEST(VectorKernels, AvxFiveTwelveScanOnlyWhenAskedFor) {
  // Whatever this processor has: the choice follows the opt-in variable.
  const tamble::feature_mask all = tamble::find_isa_level(3)->needs;
  const tamble::isa_kernel<nearest_scan_fn> unasked{3, all, nearest_scan_avx512, "", "BQ_NEVER_SET"};
  const tamble::isa_kernel<nearest_scan_fn> asked{3, all, nearest_scan_avx512, "", "PATH"};
  const tamble::isa_kernel<nearest_scan_fn>* const with_unasked[] = {&kNearestScanScalar, &kNearestScanAvx2,
                                                                     &unasked};
  const tamble::isa_kernel<nearest_scan_fn>* const with_asked[] = {&kNearestScanScalar, &kNearestScanAvx2,
                                                                   &asked};
  EXPECT_EQ(tamble::select_auto_kernel(with_unasked, 3, all).level, 2);
  EXPECT_EQ(tamble::select_kernel(with_unasked, 3, all).level, 3);  // an explicit level needs no asking
  EXPECT_EQ(tamble::select_auto_kernel(with_asked, 3, all).level, 3);

  const int hw = tamble::isa_level_of(tamble::processor_features());
  const auto ran = [](const std::string& environment) {
    std::string level;
    child_checksum("env -u NQ_SCAN_AVX512 " + environment, "VectorKernels.DISABLED_PrintLevels", &level);
    return level;
  };
  EXPECT_EQ(ran("NQ_ISA=scalar NQ_SCAN_AVX512=1"), level_line(0, 0));
  EXPECT_EQ(ran("NQ_ISA=avx512"), level_line(hw == 3 ? 2 : hw, hw));
  EXPECT_EQ(ran("NQ_ISA=avx512 NQ_SCAN_AVX512="), level_line(hw, hw));
}

}  // namespace
