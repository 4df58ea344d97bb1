// The spectral toolkit's real FFT and its inverse next to FFTW's real transforms of the same
// size, planned with FFTW_MEASURE, in the same run.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <vector>

#include "nsp.h"

namespace {

std::vector<double> Signal(int n) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] = std::sin(0.37 * i) + 0.25 * std::cos(1.3 * i);
    }
    return x;
}

void ToolkitForwardInverse(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    const int n = 1 << order;
    std::vector<double> x = Signal(n), back(static_cast<std::size_t>(n));
    std::vector<DCplx> spectrum(static_cast<std::size_t>(n / 2 + 1));
    nspdRealFftNip(nullptr, nullptr, order, NSP_Init);
    for (auto _ : state) {
        nspdRealFftNip(x.data(), spectrum.data(), order, NSP_Forw);
        nspdCcsFftNip(spectrum.data(), back.data(), order, NSP_Inv);
        benchmark::DoNotOptimize(back.data());
        benchmark::ClobberMemory();
    }
    state.counters["N"] = n;
}

void FftwForwardInverse(benchmark::State& state) {
    const int order = static_cast<int>(state.range(0));
    const int n = 1 << order;
    double* x = fftw_alloc_real(static_cast<std::size_t>(n));
    double* back = fftw_alloc_real(static_cast<std::size_t>(n));
    fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(n / 2 + 1));
    fftw_plan forward = fftw_plan_dft_r2c_1d(n, x, spectrum, FFTW_MEASURE);
    fftw_plan inverse = fftw_plan_dft_c2r_1d(n, spectrum, back, FFTW_MEASURE);
    const std::vector<double> signal = Signal(n);
    std::copy(signal.begin(), signal.end(), x); // the out-of-place forward plan keeps its input
    const double scale = 1.0 / n;
    for (auto _ : state) {
        fftw_execute(forward);
        fftw_execute(inverse); // c2r overwrites its input, as the caller's spectrum would be
        for (int i = 0; i < n; ++i) {
            back[i] *= scale; // FFTW does not scale; the toolkit's inverse does
        }
        benchmark::DoNotOptimize(back);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(forward);
    fftw_destroy_plan(inverse);
    fftw_free(x);
    fftw_free(back);
    fftw_free(spectrum);
    state.counters["N"] = n;
}

} // namespace

BENCHMARK(ToolkitForwardInverse)->Arg(8)->Arg(10)->Arg(13);
BENCHMARK(FftwForwardInverse)->Arg(8)->Arg(10)->Arg(13);
