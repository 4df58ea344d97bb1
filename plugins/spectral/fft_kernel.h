// The complex FFT inside the real transforms: M = 2^m interleaved complex values, forward
// direction (e^(-2 pi i kn / M)), no scaling.
#pragma once

#include <cstdint>

#include "fft_tables.h"

// Loads the M complex values of src (interleaved re, im) in bit-reversed order into dst, with the
// first butterfly stage applied on the way; dst may not overlap src.
void FftLoadFirstStage(const FftTables& tables, const double* src, double* dst);
// The first butterfly stage on values already in bit-reversed order, in place.
void FftFirstStageInPlace(const FftTables& tables, double* data);
// Every later stage, in place.
void FftLaterStages(const FftTables& tables, double* data);

// The split of the real transform for the bin pairs k, M-k with 1 <= k < first, where first is
// what it returns (the caller does the rest): X[k] = E + w^k O and X[M-k] = conj(E - w^k O),
// scaled, the imaginary parts times sign.
std::uint32_t FftSplitPairs(const FftTables& tables, double* data, double scale, double sign);
// The merge of a CCS spectrum into the conjugate of the doubled half-length spectrum, written
// in bit-reversed order into out, for the bin pairs k, M-k with 1 <= k < first (returned).
std::uint32_t FftMergePairs(const FftTables& tables, const double* in, double* out, double sign);
// data[2n] *= scale, data[2n+1] *= -scale for n < count.
void FftScaleConjugate(double* data, std::uint32_t count, double scale);
