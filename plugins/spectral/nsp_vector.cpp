#include <cmath>

#include "nsp.h"
#include "vector_math.h"

namespace {
constexpr const char* kArith = "nsparith.c";
constexpr const char* kConvert = "nspcvrtd.c";
constexpr double kPi = 3.14159265358979323846;
} // namespace

void nspdbSet(double value, double* dst, std::int32_t n) {
    if (n <= 0) {
        nspReportError(NSP_StsBadArg, "nspdbSet", "n<=0", kArith, __LINE__);
        return;
    }
    if (dst == nullptr) {
        nspReportError(NSP_StsBadArg, "nspdbSet", "dst==0", kArith, __LINE__);
        return;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        dst[i] = value;
    }
}

void nspdbMpy1(double value, double* dst, std::int32_t n) {
    if (n <= 0) {
        nspReportError(NSP_StsBadArg, "nspdbMpy1", "n<=0", kArith, __LINE__);
        return;
    }
    if (dst == nullptr) {
        nspReportError(NSP_StsBadArg, "nspdbMpy1", "dst==0", kArith, __LINE__);
        return;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        dst[i] *= value;
    }
}

void nspdbMpy2(const double* src, double* dst, std::int32_t n) {
    if (n <= 0) {
        nspReportError(NSP_StsBadArg, "nspdbMpy2", "n<=0", kArith, __LINE__);
        return;
    }
    if (dst == nullptr) {
        nspReportError(NSP_StsBadArg, "nspdbMpy2", "dst==0", kArith, __LINE__);
        return;
    }
    if (src == nullptr) {
        nspReportError(NSP_StsBadArg, "nspdbMpy2", "src==0", kArith, __LINE__);
        return;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        dst[i] *= src[i];
    }
}

void nspzbZero(DCplx* dst, std::int32_t n) {
    if (n <= 0) {
        nspReportError(NSP_StsBadArg, "nspzbZero", "n<=0", kArith, __LINE__);
        return;
    }
    if (dst == nullptr) {
        nspReportError(NSP_StsBadArg, "nspzbZero", "dst==0", kArith, __LINE__);
        return;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        dst[i] = DCplx{0.0, 0.0};
    }
}

void nspzbMag(const DCplx* src, double* mag, std::int32_t n) {
    if (n <= 0) {
        nspReportError(NSP_StsBadArg, "nspzbMag", "length<=0", kConvert, __LINE__);
        return;
    }
    if (mag == nullptr) {
        nspReportError(NSP_StsBadArg, "nspzbMag", "mag==0", kConvert, __LINE__);
        return;
    }
    if (src == nullptr) {
        nspReportError(NSP_StsBadArg, "nspzbMag", "src==0", kConvert, __LINE__);
        return;
    }
    for (std::int32_t i = 0; i < n; ++i) {
        mag[i] = std::sqrt(src[i].re * src[i].re + src[i].im * src[i].im);
    }
}

void nspzbPhase(const DCplx* src, double* phase, std::int32_t n) {
    if (n <= 0) {
        nspReportError(NSP_StsBadArg, "nspzbPhase", "length<=0", kConvert, __LINE__);
        return;
    }
    if (phase == nullptr) {
        nspReportError(NSP_StsBadArg, "nspzbPhase", "phase==0", kConvert, __LINE__);
        return;
    }
    if (src == nullptr) {
        nspReportError(NSP_StsBadArg, "nspzbPhase", "src==0", kConvert, __LINE__);
        return;
    }
    Atan2Interleaved(src, phase, n);
    for (std::int32_t i = 0; i < n; ++i) {
        // A real value has phase 0 or pi, whatever the sign of its zero imaginary part.
        if (src[i].im == 0.0) {
            phase[i] = src[i].re < 0.0 ? kPi : 0.0;
        }
    }
}
