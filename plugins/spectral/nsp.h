// The spectral toolkit of the phase-vocoder plug-ins: real FFT and its inverse in the packed
// complex-conjugate-symmetric (CCS) layout, window functions, magnitude and phase of complex
// vectors and a few vector operations, all in double precision, reporting argument errors
// through one process-wide status and error handler.
#pragma once

#include <cstdint>

// Status codes.
enum NSPStatus : std::int32_t {
    NSP_StsOk = 0,
    NSP_StsBackTrace = -1,
    NSP_StsInternal = -3,
    NSP_StsNoMem = -4,
    NSP_StsBadArg = -5,
    NSP_StsBadFunc = -6,
    NSP_StsNoConv = -7,
    NSP_StsAutoTrace = -8,
    NSP_StsNullPtr = -10,
    NSP_StsBadPoint = -12,
    NSP_StsBadStruct = -13,
    NSP_StsBadLen = -14,
};

// Error modes: the default handler ends the process in mode 0 and returns the status otherwise.
constexpr std::int32_t NSP_ErrModeLeaf = 0;
constexpr std::int32_t NSP_ErrModeParent = 1;

// FFT flags.
constexpr std::int32_t NSP_Forw = 1;
constexpr std::int32_t NSP_Inv = 2;
constexpr std::int32_t NSP_Init = 4;
constexpr std::int32_t NSP_Free = 8;
constexpr std::int32_t NSP_NoScale = 16;

struct DCplx {
    double re;
    double im;
};

using NSPErrorCallBack = std::int32_t (*)(std::int32_t status, const char* funcName,
                                          const char* context, const char* file, std::int32_t line);

// The status text of a code.
const char* nspErrorStr(std::int32_t status);
// Stores status (but not -1 and -8) as the last status; 0 for status 0, otherwise the current
// handler's answer.
std::int32_t nspReportError(std::int32_t status, const char* funcName, const char* context,
                            const char* file, std::int32_t line);
// The default handler: writes the error to standard error and ends the process with exit code
// 1 in mode 0; returns the status in any other mode.
std::int32_t nspStdErrReport(std::int32_t status, const char* funcName, const char* context,
                             const char* file, std::int32_t line);
std::int32_t nspGetErrStatus();
void nspSetErrStatus(std::int32_t status);
std::int32_t nspGetErrMode();
void nspSetErrMode(std::int32_t mode);
// Installs a handler (null restores the default one); returns the previous handler.
NSPErrorCallBack nspRedirectError(NSPErrorCallBack handler);

// Vector operations: n elements of dst (and src).
void nspdbSet(double value, double* dst, std::int32_t n);
void nspdbMpy1(double value, double* dst, std::int32_t n);
void nspdbMpy2(const double* src, double* dst, std::int32_t n);
void nspzbZero(DCplx* dst, std::int32_t n);
void nspzbMag(const DCplx* src, double* mag, std::int32_t n);
void nspzbPhase(const DCplx* src, double* phase, std::int32_t n);

// Windows: multiply the n values of vec by the window.
void nspdWinBartlett(double* vec, std::int32_t n);
void nspdWinHann(double* vec, std::int32_t n);
void nspdWinHamming(double* vec, std::int32_t n);
void nspdWinBlackman(double* vec, std::int32_t n, double alpha);
void nspdWinBlackmanStandard(double* vec, std::int32_t n);

// Real FFT of 2^order reals into 2^order + 2 doubles of CCS spectrum, and back.
void nspdRealFftNip(const double* inSamps, DCplx* outSamps, std::int32_t order, std::int32_t flags);
void nspdCcsFftNip(const DCplx* inSamps, double* outSamps, std::int32_t order, std::int32_t flags);
