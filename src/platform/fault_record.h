// What guarded calls report about a fault in foreign code: the fault codes and the record.
// Plain data, shared by the guards and the texts that describe their faults.
#pragma once

#include <cstdint>

// Fault codes, numbered as the rest of the system knows them.
namespace faultcode {
constexpr std::uint32_t kGuardPage = 0x80000001;
constexpr std::uint32_t kDatatypeMisalignment = 0x80000002;
constexpr std::uint32_t kBreakpoint = 0x80000003;
constexpr std::uint32_t kSingleStep = 0x80000004;
constexpr std::uint32_t kAccessViolation = 0xC0000005;
constexpr std::uint32_t kInPageError = 0xC0000006;
constexpr std::uint32_t kInvalidHandle = 0xC0000008;
constexpr std::uint32_t kIllegalInstruction = 0xC000001D;
constexpr std::uint32_t kNoncontinuable = 0xC0000025;
constexpr std::uint32_t kInvalidDisposition = 0xC0000026;
constexpr std::uint32_t kArrayBoundsExceeded = 0xC000008C;
constexpr std::uint32_t kFltDenormalOperand = 0xC000008D;
constexpr std::uint32_t kFltDivideByZero = 0xC000008E;
constexpr std::uint32_t kFltInexactResult = 0xC000008F;
constexpr std::uint32_t kFltInvalidOperation = 0xC0000090;
constexpr std::uint32_t kFltOverflow = 0xC0000091;
constexpr std::uint32_t kFltStackCheck = 0xC0000092;
constexpr std::uint32_t kFltUnderflow = 0xC0000093;
constexpr std::uint32_t kIntDivideByZero = 0xC0000094;
constexpr std::uint32_t kIntOverflow = 0xC0000095;
constexpr std::uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr std::uint32_t kStackOverflow = 0xC00000FD;
} // namespace faultcode

// What a guard learned about a fault in guarded code. For an access violation, parameter 0 is
// non-zero for a write (or an instruction fetch) and parameter 1 is the faulting address.
struct FaultRecord {
    std::uint32_t code = 0;
    std::uint32_t parameterCount = 0;
    std::uintptr_t parameters[2] = {0, 0};
};
