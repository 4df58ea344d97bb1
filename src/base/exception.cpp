#include "base/exception.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

#include "platform/system_error.h"

CMyException::CMyException(int mode, std::uint32_t code, const char* format, ...)
    : code_(code), mode_(mode) {
    std::string caller;
    if (format) {
        va_list args;
        va_start(args, format);
        va_list again;
        va_copy(again, args);
        int n = std::vsnprintf(nullptr, 0, format, args);
        if (n > 0) {
            caller.resize(static_cast<std::size_t>(n));
            std::vsnprintf(caller.data(), caller.size() + 1, format, again);
        }
        va_end(again);
        va_end(args);
    }
    if (mode == 0) {
        char tail[64];
        const char* system = platform::SystemErrorDescription(code);
        if (!system) {
            std::snprintf(tail, sizeof tail, "Unknown error code 0x%08lX.",
                          static_cast<unsigned long>(code));
            system = tail;
        }
        text_ = caller + " " + system;
        hasText_ = true;
    } else if (mode == 1 && !caller.empty()) {
        text_ = std::move(caller);
        hasText_ = true;
    }
}

const char* ExceptionCodeName(std::uint32_t code) {
    using namespace faultcode;
    switch (code) {
    case kGuardPage:
        return "EXCEPTION_GUARD_PAGE";
    case kDatatypeMisalignment:
        return "EXCEPTION_DATATYPE_MISALIGNMENT";
    case kBreakpoint:
        return ""; // named by an empty text: the line ends after the label
    case kSingleStep:
        return "EXCEPTION_SINGLE_STEP";
    case kAccessViolation:
        return "EXCEPTION_ACCESS_VIOLATION";
    case kInPageError:
        return "EXCEPTION_IN_PAGE_ERROR";
    case kInvalidHandle:
        return "EXCEPTION_INVALID_HANDLE";
    case kIllegalInstruction:
        return "EXCEPTION_ILLEGAL_INSTRUCTION";
    case kNoncontinuable:
        return "EXCEPTION_NONCONTINUABLE_EXCEPTION";
    case kInvalidDisposition:
        return "EXCEPTION_INVALID_DISPOSITION";
    case kArrayBoundsExceeded:
        return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
    case kFltDenormalOperand:
        return "EXCEPTION_FLT_DENORMAL_OPERAND";
    case kFltDivideByZero:
        return "EXCEPTION_FLT_DIVIDE_BY_ZERO";
    case kFltInexactResult:
        return "EXCEPTION_FLT_INEXACT_RESULT";
    case kFltInvalidOperation:
        return "EXCEPTION_FLT_INVALID_OPERATION";
    case kFltOverflow:
        return "EXCEPTION_FLT_OVERFLOW";
    case kFltStackCheck:
        return "EXCEPTION_FLT_STACK_CHECK";
    case kFltUnderflow:
        return "EXCEPTION_FLT_UNDERFLOW";
    case kIntDivideByZero:
        return "EXCEPTION_INT_DIVIDE_BY_ZERO";
    case kIntOverflow:
        return "EXCEPTION_INT_OVERFLOW";
    case kPrivilegedInstruction:
        return "EXCEPTION_ACCESS_VIOLATION";
    case kStackOverflow:
        return "EXCEPTION_STACK_OVERFLOW";
    default:
        return nullptr;
    }
}

int ExceptionText(const FaultRecord& fault, char* buffer, std::size_t size) {
    if (!buffer || size == 0)
        return 1;
    if (fault.code == faultcode::kAccessViolation) {
        bool writing = fault.parameterCount > 0 && fault.parameters[0] != 0;
        std::uintptr_t address = fault.parameterCount > 1 ? fault.parameters[1] : 0;
        std::snprintf(buffer, size,
                      "Unhandled exeption. Access violation %s location by address 0x%" PRIXPTR,
                      writing ? "writing" : "reading", address);
    } else if (const char* name = ExceptionCodeName(fault.code)) {
        std::snprintf(buffer, size, "Unhandled exeption. Exception code: %s", name);
    } else {
        std::snprintf(buffer, size, "Unhandled exeption. Exception code: %x",
                      static_cast<unsigned>(fault.code));
    }
    return 1;
}
