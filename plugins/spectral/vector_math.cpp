#include "vector_math.h"

#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>

// The C library's AVX2 variants (libmvec), four doubles per call.
extern "C" __m256d _ZGVdN4vv_atan2(__m256d y, __m256d x);
extern "C" __m256d _ZGVdN4v_sin(__m256d x);
extern "C" __m256d _ZGVdN4v_cos(__m256d x);

namespace {

bool HasVectorMath() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return has;
}

// Both return how many leading values they handled (a multiple of four).
__attribute__((target("avx2,fma"))) int Atan2Avx2(const DCplx* src, double* phase, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const double* p = &src[i].re;
        const __m256d a = _mm256_loadu_pd(p);     // re0 im0 re1 im1
        const __m256d b = _mm256_loadu_pd(p + 4); // re2 im2 re3 im3
        // re0 re2 re1 re3 and im0 im2 im1 im3, then back to 0 1 2 3 order.
        const __m256d re = _mm256_permute4x64_pd(_mm256_unpacklo_pd(a, b), 0xD8);
        const __m256d im = _mm256_permute4x64_pd(_mm256_unpackhi_pd(a, b), 0xD8);
        _mm256_storeu_pd(phase + i, _ZGVdN4vv_atan2(im, re));
    }
    return i;
}

__attribute__((target("avx2,fma"))) int SinCosAvx2(const double* angle, double* sine,
                                                   double* cosine, int n) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d x = _mm256_loadu_pd(angle + i);
        _mm256_storeu_pd(sine + i, _ZGVdN4v_sin(x));
        _mm256_storeu_pd(cosine + i, _ZGVdN4v_cos(x));
    }
    return i;
}

} // namespace
#endif

void Atan2Interleaved(const DCplx* src, double* phase, int n) {
    int i = 0;
#if defined(__x86_64__)
    if (HasVectorMath()) {
        i = Atan2Avx2(src, phase, n);
    }
#endif
    for (; i < n; ++i) {
        phase[i] = std::atan2(src[i].im, src[i].re);
    }
}

void SinCosArray(const double* angle, double* sine, double* cosine, int n) {
    int i = 0;
#if defined(__x86_64__)
    if (HasVectorMath()) {
        i = SinCosAvx2(angle, sine, cosine, n);
    }
#endif
    for (; i < n; ++i) {
        sine[i] = std::sin(angle[i]);
        cosine[i] = std::cos(angle[i]);
    }
}
