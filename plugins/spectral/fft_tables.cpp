#include "fft_tables.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <new>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kOrders = 32;

std::atomic<FftTables*> cache[kOrders];
std::mutex buildMutex;

// The cache lives as long as the code that uses it: in a plug-in, until the host unloads it.
struct CacheRelease {
    ~CacheRelease() {
        for (auto& slot : cache) {
            delete slot.exchange(nullptr);
        }
    }
} cacheRelease;

// Number of twiddle doubles of the stages a complex FFT of 2^m points runs.
std::size_t TwiddleDoubles(int m) {
    std::size_t total = 0;
    for (std::size_t h = (m % 2 == 0) ? 4 : 2; h < (std::size_t{1} << m); h *= 4) {
        total += (h / 2) * 3 * 8;
    }
    return total;
}

FftTables* Build(std::int32_t order) {
    auto tables = std::unique_ptr<FftTables>(new (std::nothrow) FftTables);
    if (!tables) {
        return nullptr;
    }
    const int m = order - 1;
    const std::uint32_t count = std::uint32_t{1} << m;
    tables->order = order;
    tables->complexCount = count;
    tables->rev.reset(new (std::nothrow) std::uint32_t[count]);
    tables->twiddles.reset(new (std::nothrow) double[TwiddleDoubles(m) + 1]);
    tables->split.reset(new (std::nothrow) double[2 * (count / 2 + 1)]);
    tables->splitRe.reset(new (std::nothrow) double[2 * (count / 2 + 1)]);
    tables->splitIm.reset(new (std::nothrow) double[2 * (count / 2 + 1)]);
    if (!tables->rev || !tables->twiddles || !tables->split || !tables->splitRe ||
        !tables->splitIm) {
        return nullptr;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t r = 0;
        for (int b = 0; b < m; ++b) {
            r |= ((i >> b) & 1u) << (m - 1 - b);
        }
        tables->rev[i] = r;
    }
    double* out = tables->twiddles.get();
    for (std::size_t h = (m % 2 == 0) ? 4 : 2; h < count; h *= 4) {
        const double step = -2.0 * kPi / static_cast<double>(4 * h);
        for (std::size_t k = 0; k < h; k += 2) {
            for (int power = 1; power <= 3; ++power) {
                const double a0 = step * static_cast<double>(power * k);
                const double a1 = step * static_cast<double>(power * (k + 1));
                const double re0 = std::cos(a0), im0 = std::sin(a0);
                const double re1 = std::cos(a1), im1 = std::sin(a1);
                const double block[8] = {re0, re0, re1, re1, -im0, im0, -im1, im1};
                for (double value : block) {
                    *out++ = value;
                }
            }
        }
    }
    const double n = static_cast<double>(std::uint64_t{1} << order);
    for (std::uint32_t k = 0; k <= count / 2; ++k) {
        const double angle = -2.0 * kPi * static_cast<double>(k) / n;
        tables->split[2 * k] = std::cos(angle);
        tables->split[2 * k + 1] = std::sin(angle);
        tables->splitRe[2 * k] = tables->splitRe[2 * k + 1] = std::cos(angle);
        tables->splitIm[2 * k] = -std::sin(angle);
        tables->splitIm[2 * k + 1] = std::sin(angle);
    }
    return tables.release();
}

} // namespace

const FftTables* AcquireFftTables(std::int32_t order) {
    if (order < 2 || order >= kOrders) {
        return nullptr;
    }
    if (FftTables* ready = cache[order].load(std::memory_order_acquire)) {
        return ready;
    }
    std::lock_guard<std::mutex> lock(buildMutex);
    if (FftTables* ready = cache[order].load(std::memory_order_acquire)) {
        return ready;
    }
    FftTables* built = Build(order);
    if (built == nullptr) {
        // Out of memory: give back every cached order and try once more.
        for (auto& slot : cache) {
            delete slot.exchange(nullptr);
        }
        built = Build(order);
    }
    cache[order].store(built, std::memory_order_release);
    return built;
}

void FreeFftTables(std::int32_t order) {
    if (order < 0 || order >= kOrders) {
        return;
    }
    std::lock_guard<std::mutex> lock(buildMutex);
    delete cache[order].exchange(nullptr);
}
