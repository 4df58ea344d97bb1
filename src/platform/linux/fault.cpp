#include "platform/fault.h"

#include <ucontext.h>

namespace platform {
namespace {

// How far below the stack a fault still counts as running off its end (guard pages and the
// frame that overran them).
constexpr std::uintptr_t kStackGuardSlack = 256 * 1024;

// True when the page fault was caused by a write or an instruction fetch.
bool FaultWasWrite(const void* ucontext) {
#if defined(__x86_64__)
    if (!ucontext)
        return false;
    const auto* uc = static_cast<const ucontext_t*>(ucontext);
    // The page-fault error code: bit 1 = write access, bit 4 = instruction fetch.
    auto err = static_cast<std::uint64_t>(uc->uc_mcontext.gregs[REG_ERR]);
    return (err & 0x2) != 0 || (err & 0x10) != 0;
#else
    (void)ucontext;
    return false;
#endif
}

std::uint32_t FpeCode(int code) {
    using namespace faultcode;
    switch (code) {
    case FPE_INTDIV:
        return kIntDivideByZero;
    case FPE_INTOVF:
        return kIntOverflow;
    case FPE_FLTDIV:
        return kFltDivideByZero;
    case FPE_FLTOVF:
        return kFltOverflow;
    case FPE_FLTUND:
        return kFltUnderflow;
    case FPE_FLTRES:
        return kFltInexactResult;
    case FPE_FLTSUB:
        return kArrayBoundsExceeded;
    default:
        return kFltInvalidOperation;
    }
}

} // namespace

FaultRecord FaultRecordFromSignal(int signal, const siginfo_t* info, const void* ucontext,
                                  const StackRange* stack) {
    using namespace faultcode;
    FaultRecord fault;
    auto address = info ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0;
    int code = info ? info->si_code : 0;
    switch (signal) {
    case SIGSEGV:
        if (stack && stack->low != 0 && address < stack->low &&
            address + kStackGuardSlack >= stack->low) {
            fault.code = kStackOverflow;
            break;
        }
        fault.code = kAccessViolation;
        fault.parameterCount = 2;
        fault.parameters[0] = FaultWasWrite(ucontext) ? 1 : 0;
        fault.parameters[1] = address;
        break;
    case SIGBUS:
        fault.code = code == BUS_ADRALN ? kDatatypeMisalignment : kInPageError;
        break;
    case SIGFPE:
        fault.code = FpeCode(code);
        break;
    case SIGILL:
        fault.code =
            code == ILL_PRVOPC || code == ILL_PRVREG ? kPrivilegedInstruction : kIllegalInstruction;
        break;
    case SIGTRAP:
        fault.code = code == TRAP_TRACE ? kSingleStep : kBreakpoint;
        break;
    default:
        fault.code = kNoncontinuable;
        break;
    }
    return fault;
}

} // namespace platform
