#include "fft_kernel.h"

#include <cstring>

// Two interleaved complex values (re0, im0, re1, im1); the compiler maps it to one AVX register
// where the CPU has AVX and to two SSE2 registers elsewhere.
typedef double V4 __attribute__((vector_size(32)));
typedef double V2 __attribute__((vector_size(16)));
typedef long long V4i __attribute__((vector_size(32)));
typedef long long V2i __attribute__((vector_size(16)));

// The kernels are compiled for the x86-64 baseline and again for AVX2 with FMA; the loader picks
// the build that the CPU runs.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
#define VOXWARP_FFT_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define VOXWARP_FFT_CLONES
#endif

// The helpers below take and return 32-byte vectors; they are internal and always inlined, so
// the calling-convention note GCC gives for such functions does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

inline V4 Load4(const double* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store4(double* p, const V4& v) {
    std::memcpy(p, &v, sizeof v);
}
inline V2 Load2(const double* p) {
    V2 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void Store2(double* p, V2 v) {
    std::memcpy(p, &v, sizeof v);
}

// (re, im) -> (im, re) in each complex value.
inline V4 Swap(const V4& v) {
    return __builtin_shuffle(v, V4i{1, 0, 3, 2});
}
inline V2 Swap(V2 v) {
    return __builtin_shuffle(v, V2i{1, 0});
}

// a * w for twiddles given as (re, re, ...) and (-im, im, ...).
inline V4 Mul(const V4& a, const V4& wre, const V4& wim) {
    return a * wre + Swap(a) * wim;
}

// The two complex values of a vector in the other order.
inline V4 Reverse(const V4& v) {
    return __builtin_shuffle(v, V4i{2, 3, 0, 1});
}

// -i * a: (re, im) -> (im, -re).
inline V4 MulMinusI(const V4& a) {
    return Swap(a) * V4{1.0, -1.0, 1.0, -1.0};
}
inline V2 MulMinusI(V2 a) {
    return Swap(a) * V2{1.0, -1.0};
}

// One radix-4 butterfly with trivial twiddles on four complex values.
inline void Radix4(V2 a0, V2 a1, V2 a2, V2 a3, double* out) {
    const V2 s0 = a0 + a1, d0 = a0 - a1, s1 = a2 + a3, d1 = MulMinusI(a2 - a3);
    Store2(out, s0 + s1);
    Store2(out + 2, d0 + d1);
    Store2(out + 4, s0 - s1);
    Store2(out + 6, d0 - d1);
}

} // namespace

// Bit-reversed order makes the data at b, b+h, b+2h, b+3h the transforms of the samples
// 4n, 4n+2, 4n+1, 4n+3 of the block: a decimation-in-time radix-4 step combines them with
// w^2k, w^k and w^3k.

VOXWARP_FFT_CLONES
void FftLoadFirstStage(const FftTables& tables, const double* src, double* dst) {
    const std::uint32_t count = tables.complexCount;
    const std::uint32_t* rev = tables.rev.get();
    const int m = tables.order - 1;
    if (m % 2 != 0) {
        for (std::uint32_t i = 0; i < count; i += 2) {
            const V2 a = Load2(src + 2 * rev[i]);
            const V2 b = Load2(src + 2 * rev[i + 1]);
            Store2(dst + 2 * i, a + b);
            Store2(dst + 2 * i + 2, a - b);
        }
        return;
    }
    for (std::uint32_t i = 0; i < count; i += 4) {
        Radix4(Load2(src + 2 * rev[i]), Load2(src + 2 * rev[i + 1]), Load2(src + 2 * rev[i + 2]),
               Load2(src + 2 * rev[i + 3]), dst + 2 * i);
    }
}

VOXWARP_FFT_CLONES
void FftFirstStageInPlace(const FftTables& tables, double* data) {
    const std::uint32_t count = tables.complexCount;
    const int m = tables.order - 1;
    if (m % 2 != 0) {
        for (std::uint32_t i = 0; i < count; i += 2) {
            const V2 a = Load2(data + 2 * i);
            const V2 b = Load2(data + 2 * i + 2);
            Store2(data + 2 * i, a + b);
            Store2(data + 2 * i + 2, a - b);
        }
        return;
    }
    for (std::uint32_t i = 0; i < count; i += 4) {
        double* p = data + 2 * i;
        Radix4(Load2(p), Load2(p + 2), Load2(p + 4), Load2(p + 6), p);
    }
}

VOXWARP_FFT_CLONES
void FftLaterStages(const FftTables& tables, double* data) {
    const std::uint32_t count = tables.complexCount;
    const int m = tables.order - 1;
    const double* w = tables.twiddles.get();
    for (std::uint32_t h = (m % 2 == 0) ? 4 : 2; h < count; h *= 4) {
        for (std::uint32_t block = 0; block < count; block += 4 * h) {
            double* p0 = data + 2 * block;
            double* p1 = p0 + 2 * h;
            double* p2 = p1 + 2 * h;
            double* p3 = p2 + 2 * h;
            const double* t = w;
            for (std::uint32_t k = 0; k < h; k += 2, t += 24) {
                const V4 a0 = Load4(p0 + 2 * k);
                const V4 m1 = Mul(Load4(p1 + 2 * k), Load4(t + 8), Load4(t + 12));  // w^2k
                const V4 m2 = Mul(Load4(p2 + 2 * k), Load4(t), Load4(t + 4));       // w^k
                const V4 m3 = Mul(Load4(p3 + 2 * k), Load4(t + 16), Load4(t + 20)); // w^3k
                const V4 s0 = a0 + m1, d0 = a0 - m1, s1 = m2 + m3, d1 = MulMinusI(m2 - m3);
                Store4(p0 + 2 * k, s0 + s1);
                Store4(p1 + 2 * k, d0 + d1);
                Store4(p2 + 2 * k, s0 - s1);
                Store4(p3 + 2 * k, d0 - d1);
            }
        }
        w += static_cast<std::size_t>(h / 2) * 24;
    }
}

// Pairs k, k+1 at the front and M-k, M-k-1 at the back, while the two do not meet.
VOXWARP_FFT_CLONES
std::uint32_t FftSplitPairs(const FftTables& tables, double* data, double scale, double sign) {
    const std::uint32_t count = tables.complexCount;
    const V4 conjugate{1.0, -1.0, 1.0, -1.0};
    const V4 front{0.5 * scale, 0.5 * scale * sign, 0.5 * scale, 0.5 * scale * sign};
    const V4 back{0.5 * scale, -0.5 * scale * sign, 0.5 * scale, -0.5 * scale * sign};
    std::uint32_t k = 1;
    for (; k + 1 < count / 2; k += 2) {
        double* pk = data + 2 * k;
        double* pj = data + 2 * (count - k - 1);
        const V4 a = Load4(pk);
        const V4 b = Reverse(Load4(pj)) * conjugate; // conj Z[M-k], conj Z[M-k-1]
        const V4 e = a + b;                          // twice E
        const V4 o = MulMinusI(a - b);               // twice O
        const V4 t =
            Mul(o, Load4(tables.splitRe.get() + 2 * k), Load4(tables.splitIm.get() + 2 * k));
        Store4(pk, (e + t) * front);
        Store4(pj, Reverse((e - t) * back));
    }
    return k;
}

VOXWARP_FFT_CLONES
std::uint32_t FftMergePairs(const FftTables& tables, const double* in, double* out, double sign) {
    const std::uint32_t count = tables.complexCount;
    const std::uint32_t* rev = tables.rev.get();
    const V4 signs{1.0, sign, 1.0, sign};
    const V4 conjugate{1.0, -1.0, 1.0, -1.0};
    const V4 plusI{-1.0, 1.0, -1.0, 1.0};
    std::uint32_t k = 1;
    for (; k + 1 < count / 2; k += 2) {
        const V4 a = Load4(in + 2 * k) * signs;
        const V4 b = Reverse(Load4(in + 2 * (count - k - 1)) * signs) * conjugate;
        const V4 sum = a + b, difference = a - b;
        // i conj(w^k) (a - b): conj(w^k) multiplies with (re, re) and (im, -im).
        const V4 t = Swap(Mul(difference, Load4(tables.splitRe.get() + 2 * k),
                              Load4(tables.splitIm.get() + 2 * k) * V4{-1.0, -1.0, -1.0, -1.0})) *
                     plusI;
        const V4 zk = (sum + t) * conjugate; // conj Zu[k], conj Zu[k+1]
        const V4 zj = sum - t;               // conj Zu[M-k], conj Zu[M-k-1]
        double lanes[8];
        Store4(lanes, zk);
        Store4(lanes + 4, zj);
        std::memcpy(out + 2 * rev[k], lanes, 16);
        std::memcpy(out + 2 * rev[k + 1], lanes + 2, 16);
        std::memcpy(out + 2 * rev[count - k], lanes + 4, 16);
        std::memcpy(out + 2 * rev[count - k - 1], lanes + 6, 16);
    }
    return k;
}

VOXWARP_FFT_CLONES
void FftScaleConjugate(double* data, std::uint32_t count, double scale) {
    const V4 factor{scale, -scale, scale, -scale};
    std::uint32_t i = 0;
    for (; i + 2 <= count; i += 2) {
        Store4(data + 2 * i, Load4(data + 2 * i) * factor);
    }
    for (; i < count; ++i) {
        data[2 * i] *= scale;
        data[2 * i + 1] *= -scale;
    }
}
