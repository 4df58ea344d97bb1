// Precomputed tables of the real FFT of one order, built once and shared by every call of that
// order: the bit-reversal permutation and the radix-4 twiddles of the half-length complex FFT,
// and the twiddles that split its result into the bins of the real transform.
#pragma once

#include <cstdint>
#include <memory>

struct FftTables {
    std::int32_t order = 0;         // N = 2^order reals
    std::uint32_t complexCount = 0; // M = N / 2
    // Position in the permuted sequence of each complex input: rev[i] = bit reversal of i.
    std::unique_ptr<std::uint32_t[]> rev;
    // Twiddles of every radix-4 stage of half size h >= 2, stage after stage. For each pair of
    // indices k, k+1 and each of w^k, w^2k, w^3k (w = e^(-2 pi i / 4h)): four doubles
    // (re_k, re_k, re_k+1, re_k+1) then four doubles (-im_k, im_k, -im_k+1, im_k+1), the form
    // that a complex multiplication of two interleaved values needs.
    std::unique_ptr<double[]> twiddles;
    // e^(-2 pi i k / N) for k = 0 .. M/2, interleaved (re, im).
    std::unique_ptr<double[]> split;
    // The same twiddles expanded for complex multiplication: splitRe holds (re_k, re_k) and
    // splitIm (-im_k, im_k) at index 2k.
    std::unique_ptr<double[]> splitRe;
    std::unique_ptr<double[]> splitIm;
};

// The tables of an order (2..31), built on first use. Null when they cannot be built: the whole
// cache is emptied and the build tried once more first. Lookups of a built order take no lock.
const FftTables* AcquireFftTables(std::int32_t order);
// Frees the tables of one order. A caller must not free an order another thread is using.
void FreeFftTables(std::int32_t order);
