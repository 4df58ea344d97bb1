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
