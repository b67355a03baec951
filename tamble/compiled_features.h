#pragma once
// The processor features the compiler enabled for the file that includes
// this header, read from its predefined macros. A namespace-scope constant
// has internal linkage, so every kernel file holds its own value.
#include "tamble/cpu_features.h"

namespace tamble {

constexpr feature_mask kCompiledFeatures = feature_mask{0}
#ifdef __SSE3__
    | feature_bit(cpu_feature::sse3)
#endif
#ifdef __SSSE3__
    | feature_bit(cpu_feature::ssse3)
#endif
#ifdef __SSE4_1__
    | feature_bit(cpu_feature::sse41)
#endif
#ifdef __SSE4_2__
    | feature_bit(cpu_feature::sse42)
#endif
#ifdef __POPCNT__
    | feature_bit(cpu_feature::popcnt)
#endif
#ifdef __XSAVE__
    | feature_bit(cpu_feature::xsave)
#endif
#ifdef __AVX__
    | feature_bit(cpu_feature::avx)
#endif
#ifdef __AVX2__
    | feature_bit(cpu_feature::avx2)
#endif
#ifdef __FMA__
    | feature_bit(cpu_feature::fma)
#endif
#ifdef __F16C__
    | feature_bit(cpu_feature::f16c)
#endif
#ifdef __BMI__
    | feature_bit(cpu_feature::bmi1)
#endif
#ifdef __BMI2__
    | feature_bit(cpu_feature::bmi2)
#endif
#ifdef __LZCNT__
    | feature_bit(cpu_feature::lzcnt)
#endif
#ifdef __AVX512F__
    | feature_bit(cpu_feature::avx512f)
#endif
#ifdef __AVX512BW__
    | feature_bit(cpu_feature::avx512bw)
#endif
#ifdef __AVX512DQ__
    | feature_bit(cpu_feature::avx512dq)
#endif
#ifdef __AVX512VL__
    | feature_bit(cpu_feature::avx512vl)
#endif
#ifdef __AVX512VNNI__
    | feature_bit(cpu_feature::avx512vnni)
#endif
#ifdef __AVX512VBMI2__
    | feature_bit(cpu_feature::avx512vbmi2)
#endif
// Extensions the processor record does not cover: a file built with any of
// them can never be proven safe to run.
#if defined(__AVX512CD__) || defined(__AVX512ER__) || defined(__AVX512PF__) || defined(__AVX512IFMA__) || \
    defined(__AVX512VBMI__) || defined(__AVX512BITALG__) || defined(__AVX512VPOPCNTDQ__) ||              \
    defined(__AVX512BF16__) || defined(__AVX512FP16__) || defined(__AVX512VP2INTERSECT__) ||             \
    defined(__AVXVNNI__) || defined(__GFNI__) || defined(__VAES__) || defined(__VPCLMULQDQ__) ||         \
    defined(__AES__) || defined(__PCLMUL__) || defined(__SHA__) || defined(__ADX__) || defined(__MOVBE__) || \
    defined(__SSE4A__) || defined(__FMA4__) || defined(__XOP__) || defined(__TBM__) || defined(__AMX_TILE__)
    | kUncheckedFeature
#endif
    ;

}  // namespace tamble
