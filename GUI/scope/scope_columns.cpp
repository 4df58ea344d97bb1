#include "scope/scope_columns.h"

#include <cmath>

namespace scope {

std::vector<int> FitColumns(const int16_t* samples, std::size_t n, int w) {
    std::vector<int> columns(w > 0 ? std::size_t(w) : 0, 0);
    if (w <= 0 || n == 0 || samples == nullptr)
        return columns;
    const std::size_t width = std::size_t(w);
    if (n > width) {
        const std::size_t k = n / width;
        for (std::size_t c = 0; c < width; ++c) {
            long sum = 0;
            for (std::size_t i = c * k; i < c * k + k; ++i)
                sum += std::lround(double(samples[i]) / double(k));
            columns[c] = int(sum);
        }
    } else {
        const std::size_t k = width / n;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = 0; j < k; ++j)
                columns[i * k + j] = samples[i];
        }
    }
    return columns;
}

int TraceY(int value, int h) {
    return int(h / 2 + int64_t(value) * h / 2 / 32767);
}

} // namespace scope
