#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "nsp.h"

namespace {

std::atomic<std::int32_t> lastStatus{NSP_StsOk};
std::atomic<std::int32_t> errorMode{NSP_ErrModeLeaf};
std::atomic<NSPErrorCallBack> handler{nspStdErrReport};

} // namespace

const char* nspErrorStr(std::int32_t status) {
    switch (status) {
    case NSP_StsOk:
        return "No Error";
    case NSP_StsBackTrace:
        return "Backtrace";
    case NSP_StsInternal:
        return "Internal error (bad state)";
    case NSP_StsNoMem:
        return "Out of memory";
    case NSP_StsBadArg:
        return "Bad argument";
    case NSP_StsBadFunc:
        return "Unsupported function";
    case NSP_StsNoConv:
        return "Iteration convergence failed";
    case NSP_StsAutoTrace:
        return "Autotrace call";
    case NSP_StsNullPtr:
        return "Null pointer";
    case NSP_StsBadPoint:
        return "Bad pointer";
    case NSP_StsBadStruct:
        return "Bad data structure";
    case NSP_StsBadLen:
        return "Bad vector length";
    default:
        return "Unknown error or status code";
    }
}

std::int32_t nspReportError(std::int32_t status, const char* funcName, const char* context,
                            const char* file, std::int32_t line) {
    // Trace statuses pass through the handler without replacing the last real status.
    if (status != NSP_StsBackTrace && status != NSP_StsAutoTrace) {
        lastStatus.store(status);
    }
    if (status == NSP_StsOk) {
        return 0;
    }
    return handler.load()(status, funcName, context, file, line);
}

std::int32_t nspStdErrReport(std::int32_t status, const char* funcName, const char* context,
                             const char* file, std::int32_t line) {
    if (errorMode.load() != NSP_ErrModeLeaf) {
        return status;
    }
    std::fprintf(stderr, "Spectral toolkit error: %s, function %s, %s, file %s, line %d\n",
                 nspErrorStr(status), funcName != nullptr ? funcName : "",
                 context != nullptr ? context : "", file != nullptr ? file : "",
                 static_cast<int>(line));
    std::exit(1);
}

std::int32_t nspGetErrStatus() {
    return lastStatus.load();
}

void nspSetErrStatus(std::int32_t status) {
    lastStatus.store(status);
}

std::int32_t nspGetErrMode() {
    return errorMode.load();
}

void nspSetErrMode(std::int32_t mode) {
    errorMode.store(mode);
}

NSPErrorCallBack nspRedirectError(NSPErrorCallBack next) {
    return handler.exchange(next != nullptr ? next : nspStdErrReport);
}
