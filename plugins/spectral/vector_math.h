// Element-wise trigonometry over arrays, four values at a time through the C library's vector
// math (libmvec) where the CPU has AVX2 and FMA, one at a time elsewhere. Results agree with the
// scalar functions to a few units in the last place.
#pragma once

#include "nsp.h"

// phase[i] = atan2(src[i].im, src[i].re) for n values.
void Atan2Interleaved(const DCplx* src, double* phase, int n);
// sine[i] = sin(angle[i]) and cosine[i] = cos(angle[i]) for n values.
void SinCosArray(const double* angle, double* sine, double* cosine, int n);
