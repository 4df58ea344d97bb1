#include "nsp.h"
#include "vector_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Records every reported error instead of ending the process.
struct Reported {
    std::int32_t status = 0;
    std::string function;
    std::string context;
    std::string file;
    int count = 0;
};
Reported reported;

std::int32_t Record(std::int32_t status, const char* funcName, const char* context,
                    const char* file, std::int32_t) {
    reported.status = status;
    reported.function = funcName;
    reported.context = context;
    reported.file = file;
    ++reported.count;
    return status;
}

class SpectralToolkit : public ::testing::Test {
protected:
    void SetUp() override {
        reported = Reported{};
        previous_ = nspRedirectError(Record);
        nspSetErrMode(NSP_ErrModeParent);
    }
    void TearDown() override {
        nspRedirectError(previous_);
        nspSetErrMode(NSP_ErrModeLeaf);
        nspSetErrStatus(NSP_StsOk);
    }
    NSPErrorCallBack previous_ = nullptr;
};

std::vector<double> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> signal(n);
    for (double& v : signal) {
        v = value(generator);
    }
    return signal;
}

// X[k] = sum x[n] e^(-2 pi i kn / N), k = 0 .. N/2, straight from the definition.
std::vector<std::complex<double>> PlainDft(const std::vector<double>& x) {
    const std::size_t n = x.size();
    std::vector<std::complex<double>> spectrum(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) {
            sum += x[j] * std::polar(1.0, -2.0 * kPi * static_cast<double>(k * j % n) /
                                              static_cast<double>(n));
        }
        spectrum[k] = sum;
    }
    return spectrum;
}

TEST_F(SpectralToolkit, ForwardThenInverseReturnsTheInputForEveryOrderUpTo13) {
    for (std::int32_t order = 0; order <= 13; ++order) {
        const std::size_t n = std::size_t{1} << order;
        const std::vector<double> x = RandomSignal(n, 7 + order);
        std::vector<DCplx> spectrum(n / 2 + 1, DCplx{99.0, 99.0});
        std::vector<double> back(n, 99.0);
        nspdRealFftNip(x.data(), spectrum.data(), order, NSP_Forw);
        nspdCcsFftNip(spectrum.data(), back.data(), order, NSP_Inv);
        double worst = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            worst = std::max(worst, std::abs(back[i] - x[i]));
        }
        EXPECT_LT(worst, 1e-13) << "order " << order;
    }
    EXPECT_EQ(reported.count, 0);
}

TEST_F(SpectralToolkit, TransformsMatchThePlainDftOnRandomSignals) {
    for (std::int32_t order = 0; order <= 9; ++order) {
        const std::size_t n = std::size_t{1} << order;
        const std::vector<double> x = RandomSignal(n, 100 + order);
        const auto expected = PlainDft(x);
        std::vector<DCplx> spectrum(n / 2 + 1);
        nspdRealFftNip(x.data(), spectrum.data(), order, NSP_Forw);
        for (std::size_t k = 0; k <= n / 2; ++k) {
            EXPECT_NEAR(spectrum[k].re, expected[k].real(), 1e-11) << order << " bin " << k;
            EXPECT_NEAR(spectrum[k].im, expected[k].imag(), 1e-11) << order << " bin " << k;
        }
        // Unscaled inverse: N times the signal.
        std::vector<double> back(n);
        nspdCcsFftNip(spectrum.data(), back.data(), order, NSP_Inv | NSP_NoScale);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_NEAR(back[i], x[i] * static_cast<double>(n), 1e-10) << order << " at " << i;
        }
    }
}

TEST_F(SpectralToolkit, AllOnesOfEightPointsIsOnlyDc) {
    const std::vector<double> ones(8, 1.0);
    std::vector<DCplx> spectrum(5, DCplx{5.0, 5.0});
    nspdRealFftNip(ones.data(), spectrum.data(), 3, NSP_Forw);
    EXPECT_DOUBLE_EQ(spectrum[0].re, 8.0);
    EXPECT_DOUBLE_EQ(spectrum[0].im, 0.0);
    for (int k = 1; k < 5; ++k) {
        EXPECT_NEAR(spectrum[k].re, 0.0, 1e-15);
        EXPECT_NEAR(spectrum[k].im, 0.0, 1e-15);
    }
}

TEST_F(SpectralToolkit, FftArgumentErrorsLeaveTheOutputAlone) {
    std::vector<double> x(16, 1.0);
    std::vector<DCplx> spectrum(9, DCplx{3.0, 3.0});
    nspdRealFftNip(x.data(), spectrum.data(), 4, NSP_Forw | NSP_Inv);
    EXPECT_EQ(reported.status, NSP_StsBadArg);
    EXPECT_EQ(reported.function, "nspdRealFftNip");
    EXPECT_EQ(reported.context, "(flags & 1) && (flags & 2)");
    EXPECT_EQ(reported.file, "nspfftd.c");
    EXPECT_EQ(nspGetErrStatus(), NSP_StsBadArg);
    nspdCcsFftNip(spectrum.data(), x.data(), 4, 0);
    EXPECT_EQ(reported.function, "nspdCcsFftNip");
    EXPECT_EQ(reported.context, "(flags & 1)==0 && (flags & 2)==0");
    nspdRealFftNip(x.data(), spectrum.data(), -1, NSP_Forw);
    EXPECT_EQ(reported.context, "order<0");
    nspdRealFftNip(x.data(), spectrum.data(), 32, NSP_Forw);
    EXPECT_EQ(reported.context, "order>31");
    nspdRealFftNip(nullptr, spectrum.data(), 4, NSP_Forw);
    EXPECT_EQ(reported.context, "inSamps==0");
    nspdCcsFftNip(spectrum.data(), nullptr, 4, NSP_Inv);
    EXPECT_EQ(reported.context, "outSamps==0");
    EXPECT_EQ(reported.count, 6);
    for (const DCplx& bin : spectrum) {
        EXPECT_EQ(bin.re, 3.0);
    }
    EXPECT_EQ(x, std::vector<double>(16, 1.0));

    // Preparing or freeing the tables touches no data and reports nothing; a freed order is
    // built again on its next use.
    nspdRealFftNip(nullptr, nullptr, 10, NSP_Init);
    nspdRealFftNip(nullptr, nullptr, 10, NSP_Free);
    EXPECT_EQ(reported.count, 6);
    std::vector<double> ones(1024, 1.0);
    std::vector<DCplx> big(513);
    nspdRealFftNip(ones.data(), big.data(), 10, NSP_Forw);
    EXPECT_DOUBLE_EQ(big[0].re, 1024.0);
}

TEST_F(SpectralToolkit, ErrorMechanismStoresStatusesAndEndsTheProcessInLeafMode) {
    EXPECT_EQ(nspReportError(NSP_StsOk, "f", "c", "file", 1), 0);
    EXPECT_EQ(reported.count, 0);
    nspReportError(NSP_StsBadLen, "f", "c", "file", 1);
    nspReportError(NSP_StsBackTrace, "f", "c", "file", 2);
    nspReportError(NSP_StsAutoTrace, "f", "c", "file", 3);
    EXPECT_EQ(nspGetErrStatus(), NSP_StsBadLen);
    EXPECT_EQ(reported.count, 3);
    EXPECT_STREQ(nspErrorStr(NSP_StsBadLen), "Bad vector length");
    EXPECT_STREQ(nspErrorStr(-2), "Unknown error or status code");

    nspRedirectError(nullptr);
    EXPECT_EQ(nspStdErrReport(NSP_StsBadArg, "f", "c", "file", 4), NSP_StsBadArg);
    nspSetErrMode(NSP_ErrModeLeaf);
    EXPECT_EXIT(nspdWinHann(nullptr, 8), ::testing::ExitedWithCode(1), "Bad argument");
}

TEST_F(SpectralToolkit, MagnitudeAndPhase) {
    const std::vector<DCplx> values = {
        {-1.0, 0.0}, {0.0, 0.0}, {-1.0, -0.0}, {3.0, 4.0}, {0.0, -2.0}};
    std::vector<double> phase(values.size()), mag(values.size());
    nspzbPhase(values.data(), phase.data(), 5);
    nspzbMag(values.data(), mag.data(), 5);
    EXPECT_DOUBLE_EQ(phase[0], kPi);
    EXPECT_EQ(phase[1], 0.0);
    EXPECT_DOUBLE_EQ(phase[2], kPi);
    EXPECT_DOUBLE_EQ(phase[3], std::atan2(4.0, 3.0));
    EXPECT_DOUBLE_EQ(phase[4], -kPi / 2);
    EXPECT_EQ(mag, (std::vector<double>{1.0, 0.0, 1.0, 5.0, 2.0}));

    nspzbMag(values.data(), nullptr, 5);
    EXPECT_EQ(reported.context, "mag==0");
    EXPECT_EQ(reported.file, "nspcvrtd.c");
    nspzbPhase(values.data(), phase.data(), 0);
    EXPECT_EQ(reported.context, "length<=0");
    nspdbMpy2(nullptr, mag.data(), 5);
    EXPECT_EQ(reported.function, "nspdbMpy2");
    EXPECT_EQ(reported.context, "src==0");
    EXPECT_EQ(reported.file, "nsparith.c");
    EXPECT_EQ(mag[3], 5.0);
}

TEST_F(SpectralToolkit, WindowsFollowTheirFormulas) {
    std::vector<double> two = {2.0, 3.0};
    nspdWinHann(two.data(), 2);
    EXPECT_EQ(reported.context, "Bad number of items");
    EXPECT_EQ(reported.function, "nspdWinHann");
    EXPECT_EQ(two, (std::vector<double>{2.0, 3.0}));

    std::vector<double> hann(5, 1.0);
    nspdWinHann(hann.data(), 5);
    const double expected[] = {0.0, 0.5, 1.0, 0.5, 0.0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(hann[i], expected[i], 1e-15);
    }

    // Long windows: the recurrence stays on the closed forms.
    const int n = 8192;
    std::vector<double> hamming(n, 1.0), blackman(n, 1.0), bartlett(n, 2.0);
    nspdWinHamming(hamming.data(), n);
    nspdWinBlackmanStandard(blackman.data(), n);
    nspdWinBartlett(bartlett.data(), n);
    double worst = 0.0;
    for (int j = 0; j < n; ++j) {
        const double theta = 2.0 * kPi * j / (n - 1);
        worst = std::max(worst, std::abs(hamming[j] - (0.54 - 0.46 * std::cos(theta))));
        worst = std::max(worst, std::abs(blackman[j] - (0.42 - 0.5 * std::cos(theta) +
                                                        0.08 * std::cos(2 * theta))));
        const double triangle = j < n / 2 ? 2.0 * j / (n - 1) : 2.0 * (n - 1 - j) / (n - 1);
        worst = std::max(worst, std::abs(bartlett[j] - 2.0 * triangle));
    }
    EXPECT_LT(worst, 1e-10);
}

} // namespace

namespace {

// The vector math agrees with the scalar functions over every quadrant and length.
TEST(SpectralVectorMath, AgreesWithTheScalarFunctions) {
    std::mt19937 generator(5);
    std::uniform_real_distribution<double> value(-1e4, 1e4);
    for (int n : {1, 3, 4, 7, 4097}) {
        std::vector<DCplx> points(static_cast<std::size_t>(n));
        std::vector<double> angles(points.size()), phase(points.size()), sine(points.size()),
            cosine(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            points[i] = DCplx{value(generator), value(generator)};
            angles[i] = value(generator) / 1e3;
        }
        Atan2Interleaved(points.data(), phase.data(), n);
        SinCosArray(angles.data(), sine.data(), cosine.data(), n);
        for (std::size_t i = 0; i < points.size(); ++i) {
            ASSERT_NEAR(phase[i], std::atan2(points[i].im, points[i].re), 1e-15) << n << " " << i;
            ASSERT_NEAR(sine[i], std::sin(angles[i]), 1e-15) << n << " " << i;
            ASSERT_NEAR(cosine[i], std::cos(angles[i]), 1e-15) << n << " " << i;
        }
    }
}

} // namespace
