#include <cmath>

#include "nsp.h"

namespace {

constexpr const char* kWindows = "nspwin.c";
constexpr double kPi = 3.14159265358979323846;

bool CheckWindow(const char* name, const double* vec, std::int32_t n, int line) {
    if (vec == nullptr) {
        nspReportError(NSP_StsBadArg, name, "Null pointer to buffer", kWindows, line);
        return false;
    }
    if (n <= 2) {
        nspReportError(NSP_StsBadArg, name, "Bad number of items", kWindows, line);
        return false;
    }
    return true;
}

// Multiplies vec[j] and vec[n-1-j] by weight(j, cos(theta_j), cos(2 theta_j)) for the first half,
// the cosines following the Chebyshev recurrence c(j+1) = 2 cos(theta_1) c(j) - c(j-1).
template <typename Weight>
void ApplySymmetric(double* vec, std::int32_t n, Weight weight) {
    const double c1 = std::cos(2.0 * kPi / static_cast<double>(n - 1));
    double previous = c1; // c(-1) = cos(-theta_1)
    double current = 1.0; // c(0)
    const std::int32_t half = (n + 1) / 2;
    for (std::int32_t j = 0; j < half; ++j) {
        const double w = weight(j, current, 2.0 * current * current - 1.0);
        vec[j] *= w;
        if (n - 1 - j != j) {
            vec[n - 1 - j] *= w;
        }
        const double next = 2.0 * c1 * current - previous;
        previous = current;
        current = next;
    }
}

} // namespace

void nspdWinBartlett(double* vec, std::int32_t n) {
    if (!CheckWindow("nspdWinBartlett", vec, n, __LINE__)) {
        return;
    }
    const double scale = 2.0 / static_cast<double>(n - 1);
    ApplySymmetric(vec, n, [scale](std::int32_t j, double, double) { return scale * j; });
}

void nspdWinHann(double* vec, std::int32_t n) {
    if (!CheckWindow("nspdWinHann", vec, n, __LINE__)) {
        return;
    }
    ApplySymmetric(vec, n, [](std::int32_t, double c, double) { return 0.5 * (1.0 - c); });
}

void nspdWinHamming(double* vec, std::int32_t n) {
    if (!CheckWindow("nspdWinHamming", vec, n, __LINE__)) {
        return;
    }
    ApplySymmetric(vec, n, [](std::int32_t, double c, double) { return 0.54 - 0.46 * c; });
}

void nspdWinBlackman(double* vec, std::int32_t n, double alpha) {
    if (!CheckWindow("nspdWinBlackman", vec, n, __LINE__)) {
        return;
    }
    ApplySymmetric(vec, n, [alpha](std::int32_t, double c, double c2) {
        return (alpha + 1.0) / 2.0 - 0.5 * c - (alpha / 2.0) * c2;
    });
}

void nspdWinBlackmanStandard(double* vec, std::int32_t n) {
    nspdWinBlackman(vec, n, -0.16);
}
