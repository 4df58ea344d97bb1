#include <cstdint>

#include "fft_kernel.h"
#include "fft_tables.h"
#include "nsp.h"

namespace {

constexpr const char* kFft = "nspfftd.c";

// The checks and table handling both transforms share. True when the transform is to run;
// tables is null for orders 0 and 1, which need none.
bool Prepare(const char* name, const void* in, const void* out, std::int32_t order,
             std::int32_t flags, const FftTables*& tables) {
    tables = nullptr;
    if (order < 0) {
        nspReportError(NSP_StsBadArg, name, "order<0", kFft, __LINE__);
        return false;
    }
    if (order > 31) {
        nspReportError(NSP_StsBadArg, name, "order>31", kFft, __LINE__);
        return false;
    }
    if (flags & NSP_Free) {
        FreeFftTables(order);
        return false;
    }
    if (order >= 2) {
        tables = AcquireFftTables(order);
        if (tables == nullptr) {
            nspReportError(NSP_StsNoMem, name, "No working Twd memory", kFft, __LINE__);
            return false;
        }
    }
    if (flags & NSP_Init) {
        return false;
    }
    if ((flags & NSP_Forw) && (flags & NSP_Inv)) {
        nspReportError(NSP_StsBadArg, name, "(flags & 1) && (flags & 2)", kFft, __LINE__);
        return false;
    }
    if ((flags & NSP_Forw) == 0 && (flags & NSP_Inv) == 0) {
        nspReportError(NSP_StsBadArg, name, "(flags & 1)==0 && (flags & 2)==0", kFft, __LINE__);
        return false;
    }
    if (in == nullptr) {
        nspReportError(NSP_StsBadArg, name, "inSamps==0", kFft, __LINE__);
        return false;
    }
    if (out == nullptr) {
        nspReportError(NSP_StsBadArg, name, "outSamps==0", kFft, __LINE__);
        return false;
    }
    return true;
}

double Scale(std::int32_t order, std::int32_t flags) {
    if ((flags & NSP_Inv) == 0 || (flags & NSP_NoScale) != 0) {
        return 1.0;
    }
    return 1.0 / static_cast<double>(std::uint64_t{1} << order);
}

} // namespace

void nspdRealFftNip(const double* inSamps, DCplx* outSamps, std::int32_t order,
                    std::int32_t flags) {
    const FftTables* tables = nullptr;
    if (!Prepare("nspdRealFftNip", inSamps, outSamps, order, flags, tables)) {
        return;
    }
    const double scale = Scale(order, flags);
    // The inverse direction on real input is the conjugate of the forward transform.
    const double sign = (flags & NSP_Inv) ? -1.0 : 1.0;
    if (order == 0) {
        outSamps[0] = DCplx{inSamps[0] * scale, 0.0};
        return;
    }
    if (order == 1) {
        outSamps[0] = DCplx{(inSamps[0] + inSamps[1]) * scale, 0.0};
        outSamps[1] = DCplx{(inSamps[0] - inSamps[1]) * scale, 0.0};
        return;
    }
    // The N reals as N/2 complex values z[n] = x[2n] + i x[2n+1], transformed in place in the
    // output; then Z splits into the bins of the real transform:
    // X[k] = E + w^k O with E = (Z[k] + conj Z[M-k]) / 2, O = -i (Z[k] - conj Z[M-k]) / 2,
    // and X[M-k] = conj(E - w^k O).
    double* data = reinterpret_cast<double*>(outSamps);
    FftLoadFirstStage(*tables, inSamps, data);
    FftLaterStages(*tables, data);
    const std::uint32_t count = tables->complexCount;
    const double* w = tables->split.get();
    const double z0re = data[0], z0im = data[1];
    for (std::uint32_t k = FftSplitPairs(*tables, data, scale, sign); k <= count / 2; ++k) {
        const std::uint32_t j = count - k;
        const double are = data[2 * k], aim = data[2 * k + 1];
        const double bre = data[2 * j], bim = -data[2 * j + 1];
        const double ere = 0.5 * (are + bre), eim = 0.5 * (aim + bim);
        const double ore = 0.5 * (aim - bim), oim = -0.5 * (are - bre);
        const double wre = w[2 * k], wim = w[2 * k + 1];
        const double tre = wre * ore - wim * oim, tim = wre * oim + wim * ore;
        data[2 * k] = (ere + tre) * scale;
        data[2 * k + 1] = (eim + tim) * scale * sign;
        data[2 * j] = (ere - tre) * scale;
        data[2 * j + 1] = -(eim - tim) * scale * sign;
    }
    outSamps[0] = DCplx{(z0re + z0im) * scale, 0.0};
    outSamps[count] = DCplx{(z0re - z0im) * scale, 0.0};
}

void nspdCcsFftNip(const DCplx* inSamps, double* outSamps, std::int32_t order, std::int32_t flags) {
    const FftTables* tables = nullptr;
    if (!Prepare("nspdCcsFftNip", inSamps, outSamps, order, flags, tables)) {
        return;
    }
    const double scale = Scale(order, flags);
    if (order == 0) {
        outSamps[0] = inSamps[0].re * scale;
        return;
    }
    if (order == 1) {
        outSamps[0] = (inSamps[0].re + inSamps[1].re) * scale;
        outSamps[1] = (inSamps[0].re - inSamps[1].re) * scale;
        return;
    }
    // The spectrum merges into Zu[k] = (X[k] + conj X[M-k]) + i conj(w^k) (X[k] - conj X[M-k]),
    // twice the transform of z[n] = x[2n] + i x[2n+1]; its unscaled inverse, N z, is the
    // conjugate of the forward transform of conj Zu, which the merge writes in bit-reversed
    // order. The forward direction on a spectrum is the inverse of its conjugate.
    const double sign = (flags & NSP_Inv) ? 1.0 : -1.0;
    const std::uint32_t count = tables->complexCount;
    const std::uint32_t* rev = tables->rev.get();
    const double* w = tables->split.get();
    const double* spectrum = reinterpret_cast<const double*>(inSamps);
    const std::uint32_t first = FftMergePairs(*tables, spectrum, outSamps, sign);
    for (std::uint32_t k = 0; k <= count / 2; k = k == 0 ? first : k + 1) {
        const std::uint32_t j = count - k;
        const double are = inSamps[k].re, aim = sign * inSamps[k].im;
        const double bre = inSamps[j].re, bim = -sign * inSamps[j].im;
        const double sre = are + bre, sim = aim + bim;
        const double dre = are - bre, dim = aim - bim;
        // i conj(w^k) d and, for the mirrored bin, i conj(w^j) conj-mirror; conj(w^j) = -w^k.
        const double wre = w[2 * k], wim = -w[2 * k + 1];
        const double tre = -(wre * dim + wim * dre), tim = wre * dre - wim * dim;
        // conj Zu[k], stored at its bit-reversed place.
        double* zk = outSamps + 2 * rev[k];
        zk[0] = sre + tre;
        zk[1] = -(sim + tim);
        if (k != 0 && j != k) {
            // Zu[j] = conj(S) - conj(T'): the same sums seen from the mirrored bin.
            double* zj = outSamps + 2 * rev[j];
            zj[0] = sre - tre;
            zj[1] = -(-sim + tim);
        }
    }
    FftFirstStageInPlace(*tables, outSamps);
    FftLaterStages(*tables, outSamps);
    FftScaleConjugate(outSamps, count, scale);
}
